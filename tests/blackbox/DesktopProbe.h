#pragma once

#include <QString>

#include <optional>

namespace kvx::test {

// Looks at the desktop from outside, through the X server's and the sound
// server's own command-line tools, as a user's other programs would see it.
class DesktopProbe {
public:
    // The id of a top-level window titled `title`, when one exists.
    static std::optional<QString> windowWithTitle(const QString& title);
    // Mapped and visible on the screen.
    static bool isViewable(const QString& windowId);
    // Streams of process `pid` on any sink that are playing (not corked).
    static int playingStreamsOf(qint64 pid);

private:
    static QString run(const QString& program, const QStringList& arguments);
};

} // namespace kvx::test

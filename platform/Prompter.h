#pragma once

#include <QString>

class QWidget;

namespace kvx {

// Message boxes: every message has a warning icon; a question offers OK and
// Cancel, and only OK lets the action go ahead.
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void message(const QString& text, QWidget* parent = nullptr) = 0;
    virtual bool question(const QString& text, QWidget* parent = nullptr) = 0;
};

class MessageBoxPrompter final : public Prompter {
public:
    void message(const QString& text, QWidget* parent) override;
    bool question(const QString& text, QWidget* parent) override;
};

} // namespace kvx

#pragma once

#include <QDialog>
#include <QPersistentModelIndex>

class QLineEdit;

namespace kvx {

// The memo edit window `Form6`: one text box and "OK". It is not modal and
// belongs to the memo it was opened for, wherever the user clicks meanwhile;
// "OK" and the close box both hand the text back, once.
class MemoEditor : public QDialog {
    Q_OBJECT

public:
    MemoEditor(const QString& caption, QPersistentModelIndex memo, const QString& text, QWidget* parent);

    const QPersistentModelIndex& memo() const { return m_memo; }

signals:
    // The text for the memo; `memo` is invalid when that row is gone.
    void confirmed(const QPersistentModelIndex& memo, const QString& text);

protected:
    void done(int result) override;

private:
    QPersistentModelIndex m_memo;
    QLineEdit* m_text = nullptr;
    bool m_confirmed = false;
};

} // namespace kvx

#pragma once
// A single-line edit that keeps characters of unwanted classes out, both when
// typed and when pasted.

#include <QLineEdit>
#include <QString>

#include <cstdint>

namespace lisotrex::ui {

class CFilterEdit : public QLineEdit {
    Q_OBJECT
public:
    // Character classes of the mask.
    static constexpr uint16_t kDigits = 0x1;
    static constexpr uint16_t kLetters = 0x2;
    static constexpr uint16_t kOtherPrintable = 0x4;
    static constexpr uint16_t kHalfWidthKana = 0x8;
    static constexpr qsizetype kMaxExtra = 256;

    explicit CFilterEdit(QWidget* parent = nullptr);

    // mask 0 with no extra characters lets everything through.
    void attach(uint16_t mask, const QString& extra, bool noPaste);
    // Typing: control characters always pass, the rest as the filter says.
    bool allows(QChar c) const;
    // The filter alone, as a paste tests every character.
    bool filterAllows(QChar c) const;
    // What every paste path does: refuses the whole text at the first
    // refused character (after a message), otherwise replaces the selection.
    void pasteFiltered();

    uint16_t mask() const { return mask_; }
    const QString& extra() const { return extra_; }
    bool noPaste() const { return noPaste_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void insertFiltered(QString text);

    uint16_t mask_ = 0;
    QString extra_;
    bool noPaste_ = false;
};

// Class bit of a character (0 for none of the four).
uint16_t characterClass(QChar c);

} // namespace lisotrex::ui

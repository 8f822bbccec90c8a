#pragma once
// Character keys as the windows' key-press handlers see them: Enter, Esc and
// Backspace as the characters 13, 27 and 8, Ctrl+letter as its control
// character, other keys as the text they type. Keys that move the focus or
// the cursor, Delete and the function keys type nothing, whatever text the
// window system attaches to them (X11 gives Tab "\t" and Delete "\x7f").
#include <QChar>
#include <QKeyEvent>

namespace platform {

inline constexpr QChar kEnterKey{13};
inline constexpr QChar kEscapeKey{27};
inline constexpr QChar kBackspaceKey{8};

// No Shift, Ctrl, Alt or Meta held (the keypad's own flag doesn't count).
inline bool noModifiers(Qt::KeyboardModifiers modifiers) { return (modifiers & ~Qt::KeypadModifier) == Qt::NoModifier; }

// The character a key press types; a null character for keys that type none.
inline QChar typedCharacter(const QKeyEvent* key) {
    if (key->key() == Qt::Key_Escape)
        return kEscapeKey;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        return kEnterKey;
    if (key->key() == Qt::Key_Backspace)
        return kBackspaceKey;
    if (key->key() >= Qt::Key_Escape && key->key() <= Qt::Key_unknown) // every other special key
        return QChar();
    return key->text().isEmpty() ? QChar() : key->text().front();
}

} // namespace platform

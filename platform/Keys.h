#pragma once
// Character keys as the windows' key-press handlers see them: Enter and Esc
// as the characters 13 and 27, other keys as the text they type.
#include <QChar>
#include <QKeyEvent>

namespace platform {

inline constexpr QChar kEnterKey{13};
inline constexpr QChar kEscapeKey{27};

// No Shift, Ctrl, Alt or Meta held (the keypad's own flag doesn't count).
inline bool noModifiers(Qt::KeyboardModifiers modifiers) { return (modifiers & ~Qt::KeypadModifier) == Qt::NoModifier; }

// The character a key press types; a null character for keys that type none.
inline QChar typedCharacter(const QKeyEvent* key) {
    if (key->key() == Qt::Key_Escape)
        return kEscapeKey;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        return kEnterKey;
    return key->text().isEmpty() ? QChar() : key->text().front();
}

} // namespace platform

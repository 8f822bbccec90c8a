#pragma once
// What every text box of the program takes: any text but NUL characters,
// which a paste may carry and which no statement or stored value may hold.
class QWidget;

// Makes every text box of window drop NUL characters as they arrive.
void DropNulCharacters(QWidget* window);

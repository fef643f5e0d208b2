#pragma once

#include <QString>

// A text of the language file as a place shows it that has no keyboard mnemonic (window
// titles, headings, column headings, accessible names): a single "&" marks the mnemonic
// letter of a button or label and is dropped, "&&" stands for one "&".
QString WithoutMnemonicMarks(const QString &text);

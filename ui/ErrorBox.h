#pragma once
// How an error reaches the user: a message box with the error icon whose caption is the application title.
// Tests replace the box with a recorder so that nothing blocks.

#include <QString>
#include <functional>

// Shows Text under Caption. The default opens a modal QMessageBox with the critical icon.
using TErrorBox = std::function<void(const QString& Caption, const QString& Text)>;

// Text with a full stop appended when its last character comes after "." in code order ("Файл не найден" gets
// one; "Ошибка." or "Готово!" keep theirs); empty text stays empty.
QString WithFullStop(const QString& Text);

// The application title ("Kovrin" once the main window exists).
QString ApplicationTitle();

// Shows Text, with the full-stop rule applied, in the current error box captioned with ApplicationTitle().
void ShowErrorBox(const QString& Text);

// Replaces the error box; an empty function restores the message box. Returns the previous one.
TErrorBox SetErrorBox(TErrorBox Box);

#pragma once
#include <functional>

#include <QString>

class QWidget;

// The caption of the main window's and the application's message boxes.
QString application_caption();

// Every message box of the tool: the text with an OK button only, modal to owner.
void show_message_box(QWidget* owner, const QString& text, const QString& caption = application_caption());

// Replaces the box, e.g. by a recorder in tests; an empty handler restores it.
using message_box_handler = std::function<void(QWidget* owner, const QString& caption, const QString& text)>;
void set_message_box_handler(message_box_handler handler);

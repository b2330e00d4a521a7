#include "app/message_box.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QMessageBox>
#include <QPushButton>

namespace {

message_box_handler& handler()
{
    static message_box_handler replacement;
    return replacement;
}

} // namespace

QString application_caption()
{
    return QStringLiteral("KestIO_Test");
}

void show_message_box(QWidget* owner, const QString& text, const QString& caption)
{
    if (handler()) {
        handler()(owner, caption, text);
        return;
    }
    // headless runs (scripts, the start-up tests) read the messages instead of clicking them;
    // the line starts with a marker of its own, so that a script can tell boxes from other output
    if (const char* to = std::getenv("KESTIO_MESSAGES"); to && std::strcmp(to, "stderr") == 0) {
        std::fprintf(stderr, "message box \"%s\": %s\n", qPrintable(caption), qPrintable(text));
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

void set_message_box_handler(message_box_handler replacement)
{
    handler() = std::move(replacement);
}

#include "app/CAboutDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("关于 KestIO_Test"));
    auto* icon = new QLabel(this);
    if (parent)
        icon->setPixmap(parent->windowIcon().pixmap(32, 32));
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName("id1");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(new QLabel(QStringLiteral("KestIO_Test，1.0 版"), this), 1);
    row->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
}

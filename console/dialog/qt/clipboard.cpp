#include "console/dialog/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

BOOL SetClipboardText(const CWnd*, const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
    return TRUE;
}

std::string GetClipboardText() {
    return QGuiApplication::clipboard()->text().toStdString();
}

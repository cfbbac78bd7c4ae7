#include "console/dialog/qt/icon.h"

#include <QApplication>
#include <QStyle>
#include <map>
#include <memory>

#include "res/lookup_tables.h"

HICON LoadIconResource(int nIDResource) {
    static std::map<int, std::unique_ptr<IconResource>> s_loaded;
    auto found = s_loaded.find(nIDResource);
    if (found != s_loaded.end()) {
        return found->second.get();
    }
    const char* file = res::FindIconFile(nIDResource);
    if (file == nullptr) {
        return nullptr;
    }
    auto icon = std::make_unique<IconResource>(
        IconResource{QIcon(QStringLiteral(":/res/") + QString::fromUtf8(file))});
    if (icon->icon.isNull()) {
        return nullptr;
    }
    return s_loaded.emplace(nIDResource, std::move(icon)).first->second.get();
}

int GetSystemMetrics(int nIndex) {
    switch (nIndex) {
        case SM_CXICON:
        case SM_CYICON:
            return QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
        default:
            return 0;
    }
}

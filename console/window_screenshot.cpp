// Takes pictures of the window's three dialogs on Linux, fresh as they open: the main window,
// the acceptance dialog and the About box, as main.png, acceptance.png and about.png in OUTDIR.
// The README's English pictures come from here, and comparing two builds' pictures shows
// whether a change moved a pixel. Usage: window_screenshot OUTDIR [--lang zh|en] (offscreen or
// under X; VELKARO_LANG as for the window).
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>
#include <cstdio>
#include <string>
#include <string_view>

#include "console/Velkaro.h"
#include "console/VelkaroDlg.h"
#include "res/texts.h"

CVelkaroApp theApp;

namespace {

bool SavePicture(CWnd& dialog, const QDir& folder, const char* name) {
    QApplication::processEvents();
    return dialog.GetSafeHwnd()->grab().save(folder.filePath(QString::fromLatin1(name)));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velkaro"));
    std::string error;
    if (argc < 2 || !res::StartInChosenLanguage(argc, argv, error)) {
        std::fprintf(stderr, "%s\nusage: window_screenshot OUTDIR [--lang zh|en]\n", error.c_str());
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    CVelkaroDlg dlg;
    dlg.Create();
    bool saved = SavePicture(dlg, folder, "main.png");
    dlg.SendMessage(WM_SYSCOMMAND, IDM_ACCEPTANCE);
    saved = saved && SavePicture(*dlg.AcceptanceDialog(), folder, "acceptance.png");
    CAboutDlg about;
    about.Create(&dlg);
    saved = saved && SavePicture(about, folder, "about.png");
    return saved ? 0 : 1;
}

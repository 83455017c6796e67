#include "core/descriptions/descriptionsserver.h"
#include "window/app/mainwindow.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillnet-configurator.svg")));
    setDescriptionsHost(QStringLiteral(QUILLNET_DESCRIPTIONS_HOST));
    // The toolkit's own texts (standard buttons, dialogs) in the window's language. Without
    // them installed they stay English; the window's texts are Russian either way.
    QTranslator toolkitTexts;
    if (toolkitTexts.load(QStringLiteral("qtbase_ru"),
                          QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkitTexts);
    int exitCode = 0;
    {
        MainWindow window;
        window.show();
        exitCode = QApplication::exec();
    } // the window saves the module list as it goes
    return exitCode;
}

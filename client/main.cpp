// zepim: the ZEP Instant Messenger.
#include "zepim_app.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    zep::CZepimApp messenger(app);
    const int result = messenger.Start();
    if (result != zep::CZepimApp::kRun)
        return result;
    return app.exec();
}

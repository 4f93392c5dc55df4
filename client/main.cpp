// zepim: the ZEP Instant Messenger.
#include "command_line.h"
#include "zepim_app.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    // Before the application object, so --help works without a display.
    if (const auto answer = zep::AnswerCommandLine(std::vector<std::string>(argv, argv + argc))) {
        std::fputs(answer->text.c_str(), stdout);
        return answer->status;
    }
    QApplication app(argc, argv);
    zep::CZepimApp messenger(app);
    const int result = messenger.Start();
    if (result != zep::CZepimApp::kRun)
        return result;
    return app.exec();
}

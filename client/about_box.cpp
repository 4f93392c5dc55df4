#include "about_box.h"

#include "display_texts.h"
#include "settings.h"

#include <QMessageBox>

namespace zep {

void ShowAboutBox(QWidget* over)
{
    auto* box =
        new QMessageBox(QMessageBox::Information, text::AppTitle(),
                        QObject::tr("%1\nVersion %2")
                            .arg(text::AppTitle(), QString::fromLatin1(defaults::VersionText)),
                        QMessageBox::Ok, over ? over->window() : nullptr);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(over ? Qt::WindowModal : Qt::NonModal);
    box->open();
}

} // namespace zep

#include "ui/about_box.h"

#include "session/settings.h"
#include "ui/display_texts.h"
#include "ui/logo.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>
#include <QtGlobal>

namespace zep {

namespace {

QPointer<QDialog>& OpenBox()
{
    static QPointer<QDialog> box;
    return box;
}

QLabel* Line(const QString& text, QWidget* parent, Qt::TextFormat format = Qt::PlainText)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(format);
    label->setWordWrap(true);
    // Wrapped lines at a width that reads as a paragraph, not a column.
    label->setMinimumWidth(label->fontMetrics().averageCharWidth() * 48);
    label->setAlignment(Qt::AlignHCenter);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse |
                                   Qt::LinksAccessibleByKeyboard);
    return label;
}

} // namespace

QString AboutHomePage()
{
    return QString::fromLatin1(defaults::LogoLink);
}

QDialog* ShowAboutBox(QWidget* over)
{
    QPointer<QDialog>& open = OpenBox();
    if (!open.isNull()) {
        open->raise();
        open->activateWindow();
        return open;
    }
    auto* box = new QDialog(over ? over->window() : nullptr);
    box->setObjectName(QStringLiteral("AboutBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(over ? Qt::WindowModal : Qt::NonModal);
    box->setWindowTitle(QObject::tr("About %1").arg(text::AppTitle()));

    auto* layout = new QVBoxLayout(box);
    layout->setSpacing(8);
    QImage logo;
    if (LoadLogo(logo)) {
        auto* picture = new QLabel(box);
        picture->setPixmap(TransparentTopLeft(logo));
        picture->setAlignment(Qt::AlignHCenter);
        layout->addWidget(picture);
    }
    QLabel* name = Line(text::AppTitle(), box);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    name->setFont(big);
    layout->addWidget(name);
    layout->addWidget(
        Line(QObject::tr("Version %1").arg(QString::fromLatin1(defaults::VersionText)), box));
    layout->addWidget(
        Line(QObject::tr("Built with Qt %1, running on Qt %2")
                 .arg(QString::fromLatin1(QT_VERSION_STR), QString::fromLatin1(qVersion())),
             box));
    layout->addWidget(Line(QObject::tr("Copyright © Corvane. All rights reserved. "
                                       "Licensed to the users of your mail server's messaging "
                                       "service; not for redistribution."),
                           box));
    const QString page = AboutHomePage().toHtmlEscaped();
    QLabel* home = Line(QStringLiteral("<a href=\"%1\">%1</a>").arg(page), box, Qt::RichText);
    home->setOpenExternalLinks(true);
    layout->addWidget(home);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, box);
    QObject::connect(buttons, &QDialogButtonBox::rejected, box, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    open = box;
    box->open();
    return box;
}

} // namespace zep

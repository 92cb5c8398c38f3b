#include "platform/message_boxes.h"

#include "platform/dialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace platform {
namespace {

QMessageBox::Icon toQt(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

void centreOnScreen(QWidget *box)
{
    box->adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = box->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        box->move(frame.topLeft());
    }
}

// A standard box that, when an answer is required, only its buttons end. Qt picks an escape
// button by itself (the No of a Yes/No box), so Escape and the window's close request have to
// be stopped before the box sees them.
class StandardBox final : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

    bool answerRequired = false;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (answerRequired && event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }

    void closeEvent(QCloseEvent *event) override
    {
        if (answerRequired) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }
};

class QtDialogs final : public Dialogs
{
public:
    MsgResult messageBox(const QString &text, const QString &caption, MsgIcon icon,
                         MsgButtons buttons) override
    {
        StandardBox box(toQt(icon), caption, text, QMessageBox::NoButton,
                        QApplication::activeWindow());
        switch (buttons) {
        case MsgButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MsgButtons::YesNo:
            // No Cancel: like the Windows box it ignores Escape and has no close button, the
            // operator must choose.
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setWindowFlag(Qt::WindowCloseButtonHint, false);
            box.answerRequired = true;
            break;
        case MsgButtons::RetryCancel:
            box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        }
        switch (box.exec()) {
        case QMessageBox::Yes:
            return MsgResult::Yes;
        case QMessageBox::No:
            return MsgResult::No;
        case QMessageBox::Retry:
            return MsgResult::Retry;
        case QMessageBox::Cancel:
            return MsgResult::Cancel;
        default: // closed without a button
            return lastButton(buttons);
        }
    }

    void showMessage(const QString &text) override
    {
        QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::NoButton);
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.setWindowModality(Qt::ApplicationModal);
        centreOnScreen(&box);
        box.exec();
    }
};

QtDialogs qtDialogs;

} // namespace

void installMessageBoxes()
{
    setDefaultDialogs(&qtDialogs);
}

} // namespace platform

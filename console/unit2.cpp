#include "console/unit2.h"

#include "console/field_rules.h"
#include "console/fonts.h"
#include "console/unit1.h"
#include "controls/int_text.h"
#include "controls/push_button.h"
#include "controls/spin.h"
#include "controls/tcolor.h"
#include "platform/dialogs.h"
#include "platform/errors.h"

#include <QKeyEvent>
#include <QLabel>

using controls::intToStr;
using controls::strToInt;

TForm2 *Form2 = nullptr;

TForm2::TForm2(QWidget *parent)
    : QDialog(parent)
{
    Form2 = this;
    setObjectName(QStringLiteral("Form2"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFont(console::windowFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, controls::resolveColor(clBtnFace, pal));
    setPalette(pal);
    setAutoFillBackground(true);

    auto label = [this](const char *name, int left, const QString &caption) {
        auto *l = new QLabel(caption, this);
        l->setObjectName(QLatin1String(name));
        l->move(left, 8);
        l->adjustSize();
        return l;
    };
    Label1 = label("Label1", 24, QStringLiteral("Minuty"));
    Label2 = label("Label2", 96, QStringLiteral("Sekundy"));
    Label3 = label("Label3", 168, QStringLiteral("Setiny"));

    auto spin = [this](const char *name, int left, qint32 max) {
        auto *s = new TSpinEdit(this);
        s->setObjectName(QLatin1String(name));
        s->setGeometry(left, 32, 57, 22);
        s->setMaxValue(max);
        s->setMinValue(-1);
        s->setValue(0);
        return s;
    };
    MinutySpinEdit = spin("MinutySpinEdit", 24, 60);
    SekundySpinEdit = spin("SekundySpinEdit", 96, 60);
    SetinySpinEdit = spin("SetinySpinEdit", 168, 100);

    auto button = [this](const char *name, int left, const QString &caption) {
        auto *b = new controls::PushButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(caption);
        b->setGeometry(left, 72, 75, 25);
        b->setAutoDefault(true);
        return b;
    };
    NastavitButton = button("NastavitButton", 24, QStringLiteral("&Nastavit"));
    ZrusitButton = button("ZrusitButton", 152, QStringLiteral("&Zrušit"));

    QWidget::setTabOrder(MinutySpinEdit, SekundySpinEdit);
    QWidget::setTabOrder(SekundySpinEdit, SetinySpinEdit);
    QWidget::setTabOrder(SetinySpinEdit, NastavitButton);
    QWidget::setTabOrder(NastavitButton, ZrusitButton);

    // A button first gives the dialog its own result, then runs its handler; the handler
    // closes the dialog the ordinary way, which gives the cancel result. If the handler stops
    // on an error, the dialog ends with the button's result.
    connect(NastavitButton, &QAbstractButton::clicked, this, [this] {
        setResult(QDialog::Accepted);
        platform::guarded([this] { NastavitButtonClick(); });
        if (isVisible()) {
            done(result());
        }
    });
    connect(ZrusitButton, &QAbstractButton::clicked, this, [this] {
        setResult(QDialog::Rejected);
        platform::guarded([this] { ZrusitButtonClick(); });
    });

    MinutySpinEdit->OnChange = [this](QObject *) { MinutySpinEditChange(); };
    SekundySpinEdit->OnChange = [this](QObject *) { SekundySpinEditChange(); };
    SetinySpinEdit->OnChange = [this](QObject *) { SetinySpinEditChange(); };
    MinutySpinEdit->OnExit
        = [this](QObject *) { console::checkNumberOnExit(MinutySpinEdit, QStringLiteral("7")); };
    SekundySpinEdit->OnExit
        = [this](QObject *) { console::checkNumberOnExit(SekundySpinEdit, QStringLiteral("0")); };
    SetinySpinEdit->OnExit
        = [this](QObject *) { console::checkNumberOnExit(SetinySpinEdit, QStringLiteral("0")); };

    setWindowTitle(QStringLiteral("Nastavení času"));
    setFixedSize(255 - 8, 140 - 27); // outer 255 x 140 with the usual frame
    if (Form1) {
        move(Form1->x() + 300, Form1->y() + 320);
    }
}

TForm2::~TForm2()
{
    if (Form2 == this) {
        Form2 = nullptr;
    }
}

void TForm2::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    MinutySpinEdit->setFocus(Qt::OtherFocusReason);
    platform::guarded([this] { FormActivate(); });
}

void TForm2::keyPressEvent(QKeyEvent *event)
{
    // Esc presses the cancel button; the spin fields keep Esc for themselves.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        ZrusitButton->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm2::FormActivate()
{
    MinutySpinEdit->setText(intToStr(Form1->AktMinuty));
    SekundySpinEdit->setText(intToStr(Form1->AktSekundy));
    SetinySpinEdit->setText(intToStr(Form1->AktSetiny));
}

void TForm2::NastavitButtonClick()
{
    Form1->Minuty = strToInt(MinutySpinEdit->text());
    Form1->Sekundy = strToInt(SekundySpinEdit->text());
    Form1->Setiny = strToInt(SetinySpinEdit->text());
    Form1->AktMinuty = Form1->Minuty;
    Form1->AktSekundy = Form1->Sekundy;
    Form1->AktSetiny = Form1->Setiny;
    Form1->Zaklad = 0;
    Form1->CasStartu = 0;
    Form1->CasStopu = 0;
    Form1->ZobrazCas(Form1->Minuty / 10, Form1->Minuty % 10, Form1->Sekundy % 10,
                     Form1->Sekundy / 10);
    Form1->CelkovyCas = Form1->presetMs();
    close();
}

void TForm2::ZrusitButtonClick()
{
    close();
}

void TForm2::MinutySpinEditChange()
{
    console::wrapText(MinutySpinEdit, QStringLiteral("-1"), QStringLiteral("59"),
                      QStringLiteral("60"), QStringLiteral("0"));
}

void TForm2::SekundySpinEditChange()
{
    console::wrapText(SekundySpinEdit, QStringLiteral("-1"), QStringLiteral("59"),
                      QStringLiteral("60"), QStringLiteral("0"));
}

void TForm2::SetinySpinEditChange()
{
    console::wrapText(SetinySpinEdit, QStringLiteral("-1"), QStringLiteral("99"),
                      QStringLiteral("100"), QStringLiteral("0"));
}

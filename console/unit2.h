#pragma once

#include <QDialog>

class QLabel;
class TSpinEdit;

namespace controls {
class PushButton;
}

/// The time dialog: sets the preset game time in minutes, seconds and hundredths.
class TForm2 : public QDialog
{
    Q_OBJECT

public:
    explicit TForm2(QWidget *parent = nullptr);
    ~TForm2() override;

    QLabel *Label1; // "Minuty" (minutes)
    QLabel *Label2; // "Sekundy" (seconds)
    QLabel *Label3; // "Setiny" (hundredths)
    TSpinEdit *MinutySpinEdit;
    TSpinEdit *SekundySpinEdit;
    TSpinEdit *SetinySpinEdit;
    controls::PushButton *NastavitButton;
    controls::PushButton *ZrusitButton;

    void FormActivate();
    void NastavitButtonClick();
    void ZrusitButtonClick();
    void MinutySpinEditChange();
    void SekundySpinEditChange();
    void SetinySpinEditChange();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

extern TForm2 *Form2;

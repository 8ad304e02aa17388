#ifndef QM6080FP_LED_H
#define QM6080FP_LED_H

#include <QColor>
#include <QString>
#include <QWidget>

// Panel lamp with an optional caption on its right. Value 0 shows the off
// colour, any other value the on colour, 2 the third colour once one is set.
class qm6080fp_led : public QWidget
{
    Q_OBJECT

public:
    // An off colour of Qt::magenta stands for the window background.
    qm6080fp_led(const QString &text, const QColor &onColor, const QColor &offColor,
                 QWidget *parent = nullptr);
    // A null colour name means "#FF0000"; the off colour is the window background.
    qm6080fp_led(const QString &text, const QString &onColorName, QWidget *parent = nullptr);

    QSize minimumSizeHint() const override;

    int currentValue() const { return value; }
    QColor currentOnColor() const { return onColor; }
    QColor currentOffColor() const { return offColor; }
    QColor currentThirdColor() const { return thirdColor; }
    QString currentText() const { return text; }
    // The colour the lamp shows for the present value.
    QColor lampColor() const;
    // Showing its third colour: nothing watches what the lamp stands for.
    bool isNotMonitored() const { return value == 2 && thirdColorSet; }
    // "lit", "unlit" or "not monitored", as assistive technology reads it.
    QString stateText() const;

    void setValue(int newValue);
    void setText(const QString &newText);
    void setOnColor(const QColor &color);
    void setOffColor(const QColor &color);
    void setThirdColor(const QColor &color);

signals:
    void valueToggled();

public slots:
    void toggleValue();

protected:
    void paintEvent(QPaintEvent *event) override;
    // Tells assistive technology that the state went from `before` to the present one.
    void announce(const QString &before);

    int value = 0;
    QColor onColor;
    QColor offColor;
    QColor thirdColor;
    QString text;
    bool thirdColorSet = false;
};

#endif

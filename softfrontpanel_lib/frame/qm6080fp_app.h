#ifndef QM6080FP_APP_H
#define QM6080FP_APP_H

#include <QRect>
#include <QSize>
#include <QWidget>

class QCloseEvent;
class QShowEvent;
class QLabel;
class QLayout;
class QPushButton;
class QVBoxLayout;
class qm6080fp_About;
class qm6080fp_announcer;
class qm6080fp_led;

// Top-level window shared by every soft front panel: header with logos and
// title, the button column on the right (Active lamp, Reset Device, help,
// About, Close, and the hidden acquisition controls) and an empty client area
// that the card panel fills.
class qm6080fp_app : public QWidget
{
    Q_OBJECT

public:
    qm6080fp_app();
    ~qm6080fp_app() override;

    void setHeaderText(QString text);
    void setLxiLogo(bool lxi);
    void clearCarrierLogo();
    void setDemoMode(bool demo);
    void setCarrierInfo(QString text, QString whatsThis);
    void setCardInfo(QString text, QString whatsThis);
    void setClientLayout(QLayout *layout);
    void showAutoscale(bool show);
    void showIdentify(bool show);

signals:
    void autoscaleToggled(bool);
    void identToggled(bool);
    void startSingle();
    void breakSingle();
    void startCont();
    void stopCont();
    void resetPressed();

public slots:
    void enterWIT();
    void userBreak();
    void enableStart();

private slots:
    void autoscaleToggledSlot(bool status);
    void identToggledSlot(bool status);
    void startToggledSlot(bool status);
    void startContToggledSlot(bool status);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

    QPushButton *helpButton = nullptr;
    QPushButton *autoscaleButton = nullptr;
    qm6080fp_About *aboutDialog = nullptr;
    QPushButton *aboutButton = nullptr;
    QWidget *clientWidget = nullptr;
    bool constructed = false;
    QLabel *titleLabel = nullptr;
    QLabel *carrierLogoLabel = nullptr;
    QLabel *carrierLabel = nullptr;
    QLabel *cardLabel = nullptr;
    qm6080fp_led *activeLed = nullptr;
    QPushButton *closeButton = nullptr;
    QLabel *autoscaleLabel = nullptr;
    QVBoxLayout *buttonColumn = nullptr;
    QLabel *identifyLabel = nullptr;
    QPushButton *identifyButton = nullptr;
    QPushButton *resetButton = nullptr;
    QPushButton *startSingleButton = nullptr;
    QPushButton *startContButton = nullptr;
    // Tells a screen reader what the panel shows, wherever the focus is.
    qm6080fp_announcer *announcer = nullptr;

private:
    void tellDescription();

    // What the window says of itself to assistive technology, given to it
    // once the window shows.
    QString d_description;
};

// Where a window of `size` goes to sit in the middle of `available`.
QRect centeredGeometry(const QRect &available, const QSize &size);

// Makes `preferred` the application style; when it cannot be created, Fusion,
// saying so once on the debug output.
void installPanelStyle(const QString &preferred = QStringLiteral("Plastique"));

// Places `widget` in the middle of the primary screen's available area.
void centerOnScreen(QWidget *widget);

#endif

#pragma once

#include <QDialog>
#include <QString>
#include <QVersionNumber>
#include <memory>

class ClickLabel;
class DrawingSurface;
class QFrame;
class QLabel;
class clsGradient;

// "Version " and the major, minor and revision numbers in plain decimal, as "Version 1.0.0".
QString versionCaption(const QVersionNumber& version);

// The About box: title, version, notices and two links over an orange-to-yellow gradient,
// painted at each load onto a surface that keeps it. It has no button; the frame closes it.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

    // Creates a box, loads it and shows it modally; returns once the user has closed it.
    // The event loop runs meanwhile, so sockets and timers are still served.
    static void showModal(QWidget* parent);

    // Paints the gradient and writes the version caption; call it before each showing.
    void Form_Load();
    // Hands the address to the desktop's default handler; every failure is ignored.
    static void OpenLink(const QString& address);

public slots:
    void Label6_Click();
    void Label7_Click();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void createControls();
    void createLinks();
    void createNotices();

    std::unique_ptr<DrawingSurface> m_surface;
    std::unique_ptr<clsGradient> gradientPainter;

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* Image1 = nullptr;
    QFrame* Line1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label4 = nullptr;
    ClickLabel* Label6 = nullptr;
    QLabel* Label5 = nullptr;
    ClickLabel* Label7 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label3 = nullptr;
};

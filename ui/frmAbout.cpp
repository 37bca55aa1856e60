#include "frmAbout.h"
#include "QuilletVersion.h"

#include "AboutArt.h"
#include "ClickLabel.h"
#include "DrawingSurface.h"
#include "GradientRect.h"
#include "ProductIcon.h"
#include "Twips.h"

#include <QDesktopServices>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QUrl>

namespace {

const QString kWebSite = QStringLiteral("www.example.net");
const QString kEmail = QStringLiteral("info@example.net");
const QString kMailScheme = QStringLiteral("mailto:");
constexpr int kImageSize = 48;

// Orange (red 255, green 128, blue 64) in the bottom-right corner to yellow towards the top left.
constexpr float kGradientAngle = 136.0f;
constexpr std::int32_t kGradientColor1 = 0x4080FF;
constexpr std::int32_t kGradientColor2 = 0x00FFFF;

QVersionNumber buildVersion() {
    return QVersionNumber::fromString(QStringLiteral(QUILLET_VERSION));
}

QFont smallFont(bool underlined) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    font.setUnderline(underlined);
    return font;
}

template <typename Widget> Widget* place(Widget* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

// Labels draw no background of their own, so the gradient shows around their text.
template <typename Label = QLabel>
Label* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
             Qt::Alignment alignment = Qt::AlignLeft) {
    auto* created = place(new Label(text, parent), name, geometry);
    created->setAlignment(alignment | Qt::AlignTop);
    return created;
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

} // namespace

QString versionCaption(const QVersionNumber& version) {
    return QStringLiteral("Version %1.%2.%3")
        .arg(version.majorVersion())
        .arg(version.minorVersion())
        .arg(version.microVersion());
}

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Quillet"));
    setWindowIcon(aboutWindowIcon());
    setFixedSize(twipsRect(0, 0, 5880, 3435).size());
    setFont(smallFont(false));
    // The gradient behind the texts is always light, whatever the desktop's colours.
    setTextColor(this, Qt::black);
    createControls();
}

frmAbout::~frmAbout() = default;

void frmAbout::showModal(QWidget* parent) {
    frmAbout box(parent);
    box.Form_Load();
    box.exec();
}

void frmAbout::createControls() {
    lblTitle = label(this, "lblTitle", QStringLiteral("Quillet Tarn"), twipsRect(90, 120, 3765, 480));
    lblTitle->setFont(QFont(QStringLiteral("Tahoma"), 18, QFont::Bold));
    lblVersion = label(this, "lblVersion", QStringLiteral("Version"), twipsRect(90, 600, 4845, 225));
    Image1 = place(new QLabel(this), "Image1", twipsRect(5160, 120, 720, 720));
    Image1->setPixmap(productIcon().pixmap(kImageSize, kImageSize));
    // A one-pixel line from (120, 960) to (5760, 960).
    Line1 = place(new QFrame(this), "Line1", twipsRect(120, 960, 5760 - 120, kTwipsPerPixel));
    Line1->setFrameStyle(QFrame::HLine | QFrame::Plain);
    createLinks();
    createNotices();
}

void frmAbout::createLinks() {
    Label4 = label(this, "Label4", QStringLiteral("Website:"), twipsRect(1485, 1800, 735, 255), Qt::AlignRight);
    Label5 = label(this, "Label5", QStringLiteral("E-mail:"), twipsRect(1485, 2040, 735, 255), Qt::AlignRight);
    Label6 = label<ClickLabel>(this, "Label6", kWebSite, twipsRect(2325, 1800, 2055, 195));
    Label7 = label<ClickLabel>(this, "Label7", kEmail, twipsRect(2325, 2040, 1515, 195));
    for (ClickLabel* link : {Label6, Label7}) {
        link->setFont(smallFont(true));
        setTextColor(link, QColor(0, 0, 192));
        link->setCursor(linkCursor());
    }
    connect(Label6, &ClickLabel::clicked, this, &frmAbout::Label6_Click);
    connect(Label7, &ClickLabel::clicked, this, &frmAbout::Label7_Click);
}

// The three lower notices sit centred under each other, so their texts are centred too.
void frmAbout::createNotices() {
    Label1 = label(this, "Label1", QStringLiteral("A time server for the time-clock stations on your network."),
                   twipsRect(120, 1080, 5175, 255));
    Label2 = label(this, "Label2", QStringLiteral("Thanks for using Quillet."), twipsRect(1852, 2640, 2175, 255),
                   Qt::AlignHCenter);
    Label8 = label(this, "Label8", QStringLiteral("Stations ask for the time on TCP port 10325."),
                   twipsRect(832, 2880, 4215, 255), Qt::AlignHCenter);
    Label3 =
        label(this, "Label3", QStringLiteral("Provided as is."), twipsRect(2212, 3120, 1455, 255), Qt::AlignHCenter);
}

void frmAbout::Form_Load() {
    if (!m_surface) {
        m_surface = std::make_unique<DrawingSurface>(size());
    }
    if (!gradientPainter) {
        gradientPainter = std::make_unique<clsGradient>();
    }
    gradientPainter->setAngle(kGradientAngle);
    gradientPainter->setColor1(kGradientColor1);
    gradientPainter->setColor2(kGradientColor2);
    gradientPainter->Draw(*m_surface);
    update();
    lblVersion->setText(versionCaption(buildVersion()));
}

void frmAbout::Label6_Click() {
    OpenLink(kWebSite);
}

void frmAbout::Label7_Click() {
    OpenLink(kMailScheme + kEmail);
}

void frmAbout::OpenLink(const QString& address) {
    // A bare host name is taken as a web address, as the desktop's shell would take it.
    QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

void frmAbout::paintEvent(QPaintEvent* event) {
    if (m_surface) {
        QPainter painter(this);
        painter.drawImage(event->rect(), m_surface->image(), event->rect());
    }
}

#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QUrl>

// Takes the place of the desktop's web browser while it lives: every web address and every
// local file handed to the desktop is recorded instead of opened.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    UrlRecorder() {
        for (const char* scheme : {"http", "https", "file"}) {
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "open");
        }
    }
    ~UrlRecorder() override {
        for (const char* scheme : {"http", "https", "file"}) {
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
        }
    }

    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened << url; }
};

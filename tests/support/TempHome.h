// Points XDG_CONFIG_HOME, XDG_DATA_HOME and HOME at a fresh temporary folder
// for the lifetime of the object, so tests never touch the real home.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

class TempHome {
public:
    TempHome()
    {
        saved_[0] = qgetenv("XDG_CONFIG_HOME");
        saved_[1] = qgetenv("XDG_DATA_HOME");
        saved_[2] = qgetenv("HOME");
        QDir(dir_.path()).mkpath(QStringLiteral("config"));
        QDir(dir_.path()).mkpath(QStringLiteral("data"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path() + QStringLiteral("/config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir_.path() + QStringLiteral("/data")));
        qputenv("HOME", QFile::encodeName(dir_.path()));
    }
    ~TempHome()
    {
        const char* names[] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "HOME"};
        for (int i = 0; i < 3; ++i) {
            if (saved_[i].isNull())
                qunsetenv(names[i]);
            else
                qputenv(names[i], saved_[i]);
        }
    }
    QString path() const { return dir_.path(); }
    QString configDir() const { return dir_.path() + QStringLiteral("/config"); }

private:
    QTemporaryDir dir_;
    QByteArray saved_[3];
};

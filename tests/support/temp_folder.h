#pragma once

#include "platform/file_viewer.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

// A scratch folder standing in for the user's data directory.
class TempFolder {
public:
    QString path() const { return dir.path(); }
    QString file(const QString& name) const { return QDir(dir.path()).filePath(name); }
    QString dataFile(const char* name) const { return file(QStringLiteral("Tockles/") + QLatin1String(name)); }

    QByteArray read(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString& path, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    QStringList entries(const QString& sub) const
    {
        return QDir(file(sub)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }

private:
    QTemporaryDir dir;
};

// Remembers what it was asked to show instead of opening a file manager.
class RecordingFileViewer final : public FileViewer {
public:
    void revealFile(const QString& path) override { revealed.append(path); }
    void reportUnwritten(const QString& path) override { unwritten.append(path); }
    QStringList revealed;
    QStringList unwritten;
};

#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

#include <memory>

// One running copy per data folder, so two writers never race on the files. The first takes a
// lock file in the folder and listens on a local socket; a later one asks it to show its panel.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(const QString& dataFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process should run: it now holds the instance, or no lock could be had
    // and nobody answered. False when a running instance has been asked to show its panel,
    // and this process should end.
    bool claim();

    // The local socket the instance holding the folder listens on.
    QString socketName() const { return serverName; }

Q_SIGNALS:
    void showRequested();

private:
    void acceptConnection();
    // Asks a running instance to show its panel, for up to `patienceMs`; whether one took it.
    bool askRunningInstance(int patienceMs);
    bool lockNamesNoOtherProcess() const;

    QString folder;
    QString serverName;
    std::unique_ptr<QLockFile> lock;
    QLocalServer server;
};

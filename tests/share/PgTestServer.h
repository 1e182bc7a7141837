#pragma once

#include "PgConnection.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

namespace mivra::test {

// A PostgreSQL server of the test's own: a cluster made with initdb in a temporary folder, run by
// pg_ctl as the user nobody when the test runs as root, listening only on a Unix socket in that
// folder, with password logins. Stopped when this object goes, also when the test failed.
class PgTestServer {
public:
    static constexpr const char* kUser = "mivra";
    static constexpr const char* kPassword = "hilltop-432";

    PgTestServer()
        : m_dir(QStringLiteral("/tmp/mivra-pg-XXXXXX"))
    {
        m_bin = findBin();
        if (m_bin.isEmpty() || !m_dir.isValid()) {
            m_error = QStringLiteral("no PostgreSQL server programs (initdb) installed");
            return;
        }
        handOver(m_dir.path());
        QFile password(m_dir.filePath(QStringLiteral("pw")));
        password.open(QIODevice::WriteOnly);
        password.write(kPassword);
        password.close();
        handOver(password.fileName());
        if (!runAsServerUser(QStringLiteral("initdb"),
                             {QStringLiteral("-D"), dataDir(), QStringLiteral("-U"), QString::fromLatin1(kUser),
                              QStringLiteral("--pwfile=") + password.fileName(), QStringLiteral("-A"),
                              QStringLiteral("scram-sha-256"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                              QStringLiteral("--no-sync"), QStringLiteral("--locale=C")}))
            return;
        start();
    }

    ~PgTestServer()
    {
        if (!m_bin.isEmpty() && QFile::exists(dataDir() + QStringLiteral("/postmaster.pid")))
            runAsServerUser(QStringLiteral("pg_ctl"),
                            {QStringLiteral("-D"), dataDir(), QStringLiteral("-m"), QStringLiteral("immediate"),
                             QStringLiteral("-w"), QStringLiteral("stop")});
    }

    bool isRunning() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    QString socketDir() const { return m_dir.path(); }

    // The URL of a database on this server (made on first use), with or without the password.
    QString url(const QString& database, const QString& password = QString::fromLatin1(kPassword)) const
    {
        return QStringLiteral("postgresql:///%1?host=%2&user=%3&password=%4")
            .arg(database, m_dir.path(), QString::fromLatin1(kUser), password);
    }

    // Makes an empty database, with the options of CREATE DATABASE given; false (with the failure
    // added to the test) when it cannot.
    bool createDatabase(const QString& name, const QString& options = {})
    {
        share::PgConnection admin;
        QString error;
        if (!admin.open(url(QStringLiteral("postgres")), &error)) {
            ADD_FAILURE() << error.toStdString();
            return false;
        }
        if (!admin.run(QStringLiteral("CREATE DATABASE \"%1\" %2").arg(name, options), {}, &error)) {
            ADD_FAILURE() << error.toStdString();
            return false;
        }
        return true;
    }

    bool start()
    {
        m_error.clear();
        return runAsServerUser(
            QStringLiteral("pg_ctl"),
            {QStringLiteral("-D"), dataDir(), QStringLiteral("-l"), m_dir.filePath(u"log"_qs), QStringLiteral("-w"),
             QStringLiteral("-o"),
             QStringLiteral("-k %1 -c listen_addresses='' -F -c max_connections=40").arg(m_dir.path()),
             QStringLiteral("start")});
    }

    // Kills the postmaster and its children with SIGKILL, as a power cut of the server would.
    void kill9()
    {
        QFile pidFile(dataDir() + QStringLiteral("/postmaster.pid"));
        if (!pidFile.open(QIODevice::ReadOnly))
            return;
        const pid_t postmaster = pid_t(pidFile.readLine().trimmed().toInt());
        QList<pid_t> children;
        for (const QString& entry : QDir(u"/proc"_qs).entryList(QDir::Dirs)) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            const QList<QByteArray> fields = stat.readAll().split(')').value(1).split(' ');
            if (fields.size() > 2 && fields[2].toInt() == postmaster)
                children << pid_t(entry.toInt());
        }
        ::kill(postmaster, SIGKILL);
        for (pid_t child : children)
            ::kill(child, SIGKILL);
        // Gone, or a zombie nobody reaps here: its lock file would keep the next start out.
        for (int i = 0; i < 100 && alive(postmaster); ++i)
            QThread::msleep(50);
        if (!alive(postmaster)) {
            QFile::remove(dataDir() + QStringLiteral("/postmaster.pid"));
            QFile::remove(m_dir.filePath(QStringLiteral(".s.PGSQL.5432.lock")));
        }
        for (pid_t child : children) {
            for (int i = 0; i < 100 && alive(child); ++i)
                QThread::msleep(50);
        }
    }

private:
    // Running: neither gone nor a zombie.
    static bool alive(pid_t pid)
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            return false;
        const QList<QByteArray> fields = stat.readAll().split(')').value(1).split(' ');
        return fields.size() > 1 && fields[1] != "Z";
    }

    QString dataDir() const { return m_dir.filePath(QStringLiteral("data")); }

    static QString findBin()
    {
        const QStringList versions
            = QDir(u"/usr/lib/postgresql"_qs).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
        for (const QString& version : versions) {
            const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(version);
            if (QFile::exists(bin + QStringLiteral("/initdb")))
                return bin;
        }
        return {};
    }

    // The server refuses to run as root: as root, its files belong to nobody.
    static void handOver(const QString& path)
    {
        if (geteuid() != 0)
            return;
        const passwd* nobody = getpwnam("nobody");
        const group* nogroup = getgrnam("nogroup");
        if (nobody && nogroup && ::chown(path.toLocal8Bit().constData(), nobody->pw_uid, nogroup->gr_gid) != 0)
            ADD_FAILURE() << "cannot hand " << path.toStdString() << " to nobody";
    }

    bool runAsServerUser(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setWorkingDirectory(m_dir.path());
        const QString path = m_bin + u'/' + program;
        if (geteuid() == 0)
            process.start(u"setpriv"_qs,
                          QStringList{u"--reuid=nobody"_qs, u"--regid=nogroup"_qs, u"--clear-groups"_qs, path}
                              + arguments);
        else
            process.start(path, arguments);
        const bool finished = process.waitForFinished(60000);
        if (!finished || process.exitCode() != 0) {
            QFile log(m_dir.filePath(u"log"_qs));
            log.open(QIODevice::ReadOnly);
            m_error
                = QStringLiteral("%1 failed: %2 %3")
                      .arg(program, QString::fromLocal8Bit(process.readAll()), QString::fromLocal8Bit(log.readAll()));
            return false;
        }
        return true;
    }

    QTemporaryDir m_dir;
    QString m_bin;
    QString m_error;
};

} // namespace mivra::test

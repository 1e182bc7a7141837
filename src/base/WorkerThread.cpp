#include "WorkerThread.h"

#include <QDeadlineTimer>
#include <QThread>

namespace mivra {

WorkerThread::WorkerThread(const QString& name, BackgroundWork* work, QObject* parent)
    : QObject(parent)
    , m_work(work)
    , m_thread(new QThread)
    , m_context(new QObject)
{
    m_thread->setObjectName(name);
    m_context->moveToThread(m_thread);
    // The context and what was adopted go with the thread's end, on the thread itself.
    connect(m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread->start();
}

WorkerThread::~WorkerThread()
{
    m_stopping->store(true);
    m_thread->quit();
    // A job holds this object, to hand its result over: it is waited for however long it takes.
    if (m_thread->wait(m_jobs > 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(m_stopWaitMs))) {
        delete m_thread;
        return;
    }
    // Still in a call that does not return (a connect to a host that does not answer): it ends by
    // itself later, and is not waited for.
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
}

void WorkerThread::adopt(QObject* object)
{
    object->setParent(nullptr);
    object->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, object, &QObject::deleteLater);
}

void WorkerThread::post(std::function<void()> work)
{
    QMetaObject::invokeMethod(m_context, std::move(work), Qt::QueuedConnection);
}

void WorkerThread::deliver(std::function<void()> delivery)
{
    // A delivery still queued when this object goes is dropped with it.
    QMetaObject::invokeMethod(this, std::move(delivery), Qt::QueuedConnection);
}

void WorkerThread::jobStarted()
{
    if (m_jobs++ == 0 && m_work)
        m_underWay = m_work->begin();
}

void WorkerThread::jobEnded()
{
    if (--m_jobs > 0)
        return;
    m_underWay = BackgroundWork::Token();
    emit idle();
}

} // namespace mivra

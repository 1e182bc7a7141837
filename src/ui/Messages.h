#pragma once

#include <QString>

class QWidget;

namespace mivra {

// Message boxes as the windows show them; tests record them instead of blocking.
class Messages {
public:
    virtual ~Messages() = default;
    // A message with an OK button only.
    virtual void inform(QWidget* parent, const QString& text) = 0;
    // A Yes/No question with the question icon and an empty title; true for Yes.
    virtual bool ask(QWidget* parent, const QString& text) = 0;
};

// The real boxes, modal to their parent. Once the program is being ended by a signal nobody is
// there to answer a box: messages then go to standard error and every question is answered No.
class BoxMessages : public Messages {
public:
    void inform(QWidget* parent, const QString& text) override;
    bool ask(QWidget* parent, const QString& text) override;

    void writeToStandardError() { m_toStandardError = true; }
    // Messages written to standard error so far.
    int writtenToStandardError() const { return m_written; }

private:
    bool m_toStandardError = false;
    int m_written = 0;
};

} // namespace mivra

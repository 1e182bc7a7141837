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

// The real boxes, modal to their parent.
class BoxMessages : public Messages {
public:
    void inform(QWidget* parent, const QString& text) override;
    bool ask(QWidget* parent, const QString& text) override;
};

} // namespace mivra

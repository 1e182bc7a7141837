#pragma once

#include "Messages.h"

#include <QStringList>

// Records the messages a window shows instead of opening boxes.
class RecordingMessages : public mivra::Messages {
public:
    void inform(QWidget*, const QString& text) override { informed.append(text); }
    bool ask(QWidget*, const QString& text) override
    {
        asked.append(text);
        return answer;
    }

    QStringList informed;
    QStringList asked;
    bool answer = true;
};

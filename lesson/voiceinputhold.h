#pragma once

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QEvent;

// Holds back clicks, keys and pointer movement while a voice clip plays and lets them go
// afterwards, in the order they came, so that no handler runs in the middle of a clip and no
// click is lost. Input from the window system already waits in Qt's own queue while the clip's
// loop excludes user input; this catches the input that is posted or sent to an object directly.
// Holds nest: an inner hold's input is caught again by the outer one, behind what it holds.
class VoiceInputHold : public QObject
{
public:
    VoiceInputHold();
    ~VoiceInputHold() override;

    VoiceInputHold(const VoiceInputHold &) = delete;
    VoiceInputHold &operator=(const VoiceInputHold &) = delete;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Held
    {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };
    std::vector<Held> m_held;
};

#pragma once

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QEvent;

// Holds back clicks, keys and pointer movement while a voice clip plays and lets them go
// afterwards, in the order they came, so that no handler runs in the middle of a clip and no
// click is lost. It catches input on its way to any object, from the window system or posted or
// sent by the program. Pointer movements that follow one another are merged into the last, as
// the window system merges those that queue up. Holds nest: an inner hold's input is caught
// again by the outer one, behind what it already holds.
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

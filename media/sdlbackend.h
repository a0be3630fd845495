#pragma once

#include "media/audiobackend.h"

#include <deque>

// Clips played on an SDL device, whose thread takes them a buffer at a time: for every driver
// and platform where the program does not speak to the sound server itself, and for tests on
// SDL's dummy and disk drivers.
class SdlBackend final : public AudioBackend
{
public:
    SdlBackend() = default;
    ~SdlBackend() override;
    SdlBackend(const SdlBackend &) = delete;
    SdlBackend &operator=(const SdlBackend &) = delete;

    bool start(const Tuning &tuning, QAbstractEventDispatcher *wake) override;
    void stop() override;
    const char *name() const override;
    QByteArray error() const override { return m_error; }
    const AudioFormat &format() const override { return m_format; }
    bool lost() override;
    bool reopen() override;
    void closeDevice() override;
    bool deviceOpen() const override { return m_device != 0; }
    void play(quint64 ticket, const QByteArray &samples) override;
    std::optional<Times> times(quint64 ticket) override;
    std::optional<Times> release(quint64 ticket) override;
    bool busy() override;

private:
    static void callback(void *backend, quint8 *stream, int length);
    void fill(quint8 *stream, int length);
    bool startDriver();
    void stopDriver();
    bool openDevice(bool learnFormat);
    void noteError(const char *what);

    struct Clip
    {
        quint64 ticket = 0;
        QByteArray samples;
        qsizetype taken = 0; // bytes handed to the device so far
        Times times;
    };

    Tuning m_tuning;
    QAbstractEventDispatcher *m_wake = nullptr;
    QByteArray m_error;
    bool m_driverStarted = false; // SDL's audio subsystem
    bool m_playing = false; // the device was unpaused
    quint32 m_device = 0; // SDL_AudioDeviceID; 0 while let go
    AudioFormat m_format;
    quint8 m_silence = 0;
    int m_leadIn = 0; // bytes of silence the device plays before its first clip
    std::chrono::nanoseconds m_outputDelay{0}; // from taking a buffer to hearing its start
    std::deque<Clip> m_clips; // guarded by the device lock
};

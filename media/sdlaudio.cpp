#include "media/sdlaudio.h"

#include <QLibrary>
#include <QThreadPool>

namespace {

void ignoreAlsaError(const char *, int, const char *, int, const char *, ...) { }

// alsa-lib reports a machine without a sound card in several lines of its own on standard error;
// the program says it once, in its own words, with SDL's reason.
void quietenAlsa()
{
    QLibrary alsa(QStringLiteral("asound"), 2);
    if (!alsa.load())
        return;
    using Handler = void (*)(const char *, int, const char *, int, const char *, ...);
    using SetHandler = int (*)(Handler);
    if (auto set = reinterpret_cast<SetHandler>(alsa.resolve("snd_lib_error_set_handler")))
        set(&ignoreAlsaError);
}

struct Loaded
{
    SdlAudio functions{};
    bool ok = false;
    QString error;
};

const Loaded &library()
{
    static const Loaded loaded = [] {
        Loaded result;
        // Never unloaded: the sound device's thread runs inside it until the program ends.
        static QLibrary sdl(QStringLiteral("SDL2-2.0"), 0);
        if (!sdl.load()) {
            result.error = sdl.errorString();
            return result;
        }
        bool all = true;
        const auto resolve = [&all](auto &function, const char *name) {
            function
                = reinterpret_cast<std::remove_reference_t<decltype(function)>>(sdl.resolve(name));
            all = all && function;
        };
        SdlAudio &f = result.functions;
        resolve(f.SetHint, "SDL_SetHint");
        resolve(f.GetError, "SDL_GetError");
        resolve(f.InitSubSystem, "SDL_InitSubSystem");
        resolve(f.QuitSubSystem, "SDL_QuitSubSystem");
        resolve(f.OpenAudioDevice, "SDL_OpenAudioDevice");
        resolve(f.CloseAudioDevice, "SDL_CloseAudioDevice");
        resolve(f.PauseAudioDevice, "SDL_PauseAudioDevice");
        resolve(f.GetAudioDeviceStatus, "SDL_GetAudioDeviceStatus");
        resolve(f.LockAudioDevice, "SDL_LockAudioDevice");
        resolve(f.UnlockAudioDevice, "SDL_UnlockAudioDevice");
        resolve(f.GetCurrentAudioDriver, "SDL_GetCurrentAudioDriver");
        resolve(f.RWFromConstMem, "SDL_RWFromConstMem");
        resolve(f.LoadWAV_RW, "SDL_LoadWAV_RW");
        resolve(f.FreeWAV, "SDL_FreeWAV");
        resolve(f.BuildAudioCVT, "SDL_BuildAudioCVT");
        resolve(f.ConvertAudio, "SDL_ConvertAudio");
        result.ok = all;
        quietenAlsa();
        if (!all)
            result.error = QStringLiteral("%1 lacks a function it should have").arg(sdl.fileName());
        return result;
    }();
    return loaded;
}

} // namespace

const SdlAudio *SdlAudio::get()
{
    return library().ok ? &library().functions : nullptr;
}

QString SdlAudio::loadError()
{
    return library().error;
}

void SdlAudio::preload()
{
    QThreadPool::globalInstance()->start([] { library(); });
}

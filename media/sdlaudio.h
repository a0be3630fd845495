#pragma once

#include <SDL.h>

#include <QString>

// The SDL functions the voice code uses, resolved from the SDL library when sound is first
// needed instead of linked into the program. SDL brings some thirty libraries of its own
// (PulseAudio, ALSA, Wayland, codecs, ...); loading them before main() made the menu appear half
// again as late as a bare window does.
struct SdlAudio
{
    decltype(&SDL_SetHint) SetHint;
    decltype(&SDL_GetError) GetError;
    decltype(&SDL_InitSubSystem) InitSubSystem;
    decltype(&SDL_QuitSubSystem) QuitSubSystem;
    decltype(&SDL_OpenAudioDevice) OpenAudioDevice;
    decltype(&SDL_CloseAudioDevice) CloseAudioDevice;
    decltype(&SDL_PauseAudioDevice) PauseAudioDevice;
    decltype(&SDL_GetAudioDeviceStatus) GetAudioDeviceStatus;
    decltype(&SDL_LockAudioDevice) LockAudioDevice;
    decltype(&SDL_UnlockAudioDevice) UnlockAudioDevice;
    decltype(&SDL_GetCurrentAudioDriver) GetCurrentAudioDriver;
    decltype(&SDL_RWFromConstMem) RWFromConstMem;
    decltype(&SDL_LoadWAV_RW) LoadWAV_RW;
    decltype(&SDL_FreeWAV) FreeWAV;
    decltype(&SDL_BuildAudioCVT) BuildAudioCVT;
    decltype(&SDL_ConvertAudio) ConvertAudio;

    // The functions, loading the library on the first call; null when it cannot be loaded, with
    // the reason in loadError(). Safe to call from any thread.
    static const SdlAudio *get();
    static QString loadError();

    // Loads the library on a worker thread, so that the first clip does not wait for it.
    static void preload();
};

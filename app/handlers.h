// The program's routines that the windows' event handlers name (see
// templates/program.toml for their order in the routine table), and the
// exit routine. None uses the event's arguments or returns a value.
#pragma once

#include <cstdint>

namespace app {

// Start window.
void StartWindowCreated();
void StartWindowDestroyed();
void BackgroundColourChanged();
void FontColourChanged();
void GalleryScrolled();
// The pickers take their colours from the colour edit boxes (part of the
// created handler).
void RestorePickerColours();
void LoadDemoPictures();
void StyleSamplePressed();
void StyleSampleReleased();

// Result window.
void ResultWindowCreated();
void ResultWindowDestroyed();
void SavePicture();

// Registered with the runtime at start: frees CurrentPicture.
void ProgramExit(int32_t index);

}  // namespace app

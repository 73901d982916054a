// The steps the display cycle wraps around every scene: the fades of the
// "cache" object, loading a scene file and waiting for a running scene's end.
#pragma once

#include <string>

// 100 steps of 20 ms setting the fade level from 1.00 down to 0.01.
void FadeIn();
// 100 steps of 20 ms setting the fade level from 0.00 up to 0.99.
void FadeOut();
// Polls every 100 ms until the viewer reports the running scene finished,
// its window has gone, the space bar is read at the console, or an hour has
// passed (with a console line).
void WaitSceneEnd();
// <executable directory>/templates/<name>.kivo
std::wstring ScenePath(const std::wstring& name);
// Loads <executable directory>/templates/<name>.kivo, then pauses 100 ms.
void ReloadScene(const std::wstring& name);

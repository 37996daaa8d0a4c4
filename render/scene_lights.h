#pragma once
// The renderer's light table as the loader fills it at start: three lamps,
// six room lights and five distant lights; entries 14 and 15 stay dark.
class CRenderer;

void SetStartLights(CRenderer& renderer);

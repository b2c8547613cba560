#pragma once

#include "vr/VRRuntime.h"

// The one render model the simulated runtime serves: a controller-sized box (4 x 3 x 14 cm, handle towards +z,
// clockwise front faces) and its 64 x 64 RGBA texture. Each create hands out a new copy the matching free
// releases.
mnxvr::RenderModel_t* createSimulatedControllerModel(mnxvr::TextureID_t textureId);
void freeSimulatedControllerModel(mnxvr::RenderModel_t* model);
mnxvr::RenderModel_TextureMap_t* createSimulatedControllerTexture();
void freeSimulatedControllerTexture(mnxvr::RenderModel_TextureMap_t* texture);

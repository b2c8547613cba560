#pragma once

class GLRenderModel;

// The project's own controller mesh (OpenXR has no portable controller model): a controller-sized box
// (4 x 3 x 14 cm, handle towards +z, clockwise front faces) with a 64 x 64 texture, a blue band near the tip.
// Builds into `model` with the GL context current; false when GL is missing.
bool buildControllerModel(GLRenderModel& model);

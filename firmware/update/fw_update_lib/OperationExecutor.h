#pragma once
// Runs the run's one operation on an updater whose camera is selected, and the
// loops that run it on every connected camera.

#include <cstdint>

class FW_Updater;

void DoOperation(FW_Updater& updater);

// Camera-API back-end: every camera the camera API sees, index 0 upwards.
void DoOperationOnAllCameras();

// USB3 back-end: every camera on one driver, highest index first.
void DoOperationOnAllUsb3CamerasOnDriver(int32_t driver);

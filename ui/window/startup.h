#pragma once

// High-DPI scaling at the screen's own factor (150 % stays 150 %, not rounded
// to 200 %) with sharp images. Call before the application object exists.
void prepareHighDpi();

// Registers the embedded resources (style sheet, images, catalogues) of the
// static user-interface library. Call once after creating the application object.
void initQ4Resources();

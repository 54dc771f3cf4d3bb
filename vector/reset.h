#pragma once
// The driver as a freshly loaded library holds it, for a host that starts a
// new session in the same process: the tests, the fuzz targets and the bench.

// Releases every buffer the driver holds, puts the device tables back as
// shipped (a custom length stays in them for the life of the process), and
// every setting, drawing, image and failure state to its starting value. The
// message texts are empty until the host asks for them, as after loading.
void ResetDriverState();

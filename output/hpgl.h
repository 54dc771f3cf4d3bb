#pragma once
// The escapes of the HP-GL/2 job, each under a name: the PJL wrapper, the
// switches between HP-GL/2 and HP RTL, and RTL's raster commands. They are
// written by the job header (vector/header_hpgl.cpp) and the raster framing
// (raster/framing_rtl.cpp); HP-GL/2's own instructions are two-letter
// mnemonics written where they are used.

// Leaves whatever language the printer is in for PJL.
constexpr char kPjlUniversalExit[] = "\x1b%-12345X";
// The PJL line that hands the job to HP-GL/2.
constexpr char kPjlEnterHpgl2[] = "@PJL ENTER LANGUAGE=HPGL2\r\n";
// Enters HP-GL/2 with the pen where the previous HP-GL/2 left it.
constexpr char kEnterHpgl2[] = "\x1b%0B";
// Enters HP RTL at the pen's position.
constexpr char kEnterRtl[] = "\x1b%1A";
// The raster may move back up the page.
constexpr char kRtlNegativeMotion[] = "\x1b&a0N";
// Raster graphics at the left edge, and their end.
constexpr char kRtlStartRaster[] = "\x1b*r1A";
constexpr char kRtlEndRaster[] = "\x1b*rC";
// Rows coded as MMR (compression method 8).
constexpr char kRtlMmrCompression[] = "\x1b*b8M";
// The numbered ones, as formats: resolution, source width and height in
// pixels, and the length of the data that follows.
constexpr char kRtlResolutionFormat[] = "\x1b*t%dR";
constexpr char kRtlSourceWidthFormat[] = "\x1b*r%dS";
constexpr char kRtlSourceHeightFormat[] = "\x1b*r%dT";
constexpr char kRtlDataLengthFormat[] = "\x1b*b%dW";

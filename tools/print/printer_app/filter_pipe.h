#pragma once
// The printer application prints through the same program as the classic
// queue: each job starts rastertokalvo, writes the job's pages to it as CUPS
// raster and copies the printer job it writes to the job's device. One
// thread does all of it: while a write to the filter would block, what the
// filter has written is carried on, so neither side can wait on the other.
#include <cups/raster.h>
#include <pappl/pappl.h>
#include <sys/types.h>

#include <string>
#include <vector>

struct FilterPipe {
  pid_t child = -1;
  int input = -1, output = -1, errors = -1;  // our ends
  cups_raster_t* raster = nullptr;
  pappl_job_t* job = nullptr;
  pappl_device_t* device = nullptr;
  std::string errorLine;  // a line of the filter's messages being read
  std::string failure;    // its first ERROR:, or what went wrong here
  bool deviceFailed = false;
  bool cancelSent = false;  // the filter was asked to stop
  long long bytesSent = 0;
};

// The filter's program: KALVO_FILTER from the environment, else where the
// install put it.
std::string FilterProgram();

// Starts the filter with the job's options ("name=value ..."). 0 or -1.
int StartFilter(FilterPipe& pipe, pappl_job_t* job, pappl_device_t* device,
                const std::string& options, int copies);
// Hands a page header or a line to the filter. 0 or -1.
int WriteFilterHeader(FilterPipe& pipe, cups_page_header2_t& header);
int WriteFilterLine(FilterPipe& pipe, const unsigned char* line, unsigned bytes);
// Asks the filter to close the page in print as a whole job and stop.
void CancelFilter(FilterPipe& pipe);
// Ends the raster, carries the rest of the job to the device and waits for
// the filter, passing on a cancel that comes meanwhile. 0 when the whole job
// reached the device, -1 otherwise.
int FinishFilter(FilterPipe& pipe);

// The printers as PAPPL sees them: what each model offers (media, sources,
// resolutions, types and our own options), and the raster callbacks that
// hand every job to the filter.
#include "tools/print/printer_app/driver.h"

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "tools/print/print_options.h"
#include "tools/print/printer_app/filter_pipe.h"

namespace {

// The sheet sizes the driver's paper list holds, by their IPP names, and the
// roll: any width up to 36 in, as long as the driver's custom lengths go.
constexpr const char* kMedia[] = {
    "na_arch-a_9x12in",       "na_arch-b_12x18in",  "na_arch-c_18x24in", "na_arch-d_24x36in",
    "na_arch-e_36x48in",      "na_letter_8.5x11in", "na_ledger_11x17in", "na_c_17x22in",
    "na_d_22x34in",           "na_e_34x44in",       "iso_a4_210x297mm",  "iso_a3_297x420mm",
    "iso_a2_420x594mm",       "iso_a1_594x841mm",   "iso_a0_841x1189mm", "custom_min_3x3in",
    "custom_max_36x590.55in",
};
constexpr int32_t kResolutions[] = {600, 400, 300, 200};

// Our options, each with the printer's default when a job does not carry it.
struct VendorOption {
  const char* name;
  const char* fallback;
};
constexpr VendorOption kVendorOptions[] = {
    {"kalvo-language", "rtl-gl2"},
    {"kalvo-label", ""},
    {"kalvo-finisher-program", "manual-feed"},
    {"kalvo-tone", "default"},
};

void AddKeywords(ipp_t* attrs, const char* name, const std::vector<std::string>& values,
                 const char* fallback) {
  std::vector<const char*> texts;
  for (const std::string& v : values) texts.push_back(v.c_str());
  ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, (std::string(name) + "-supported").c_str(),
                static_cast<int>(texts.size()), nullptr, texts.data());
  ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, (std::string(name) + "-default").c_str(),
               nullptr, fallback);
}

void AddVendorAttributes(ipp_t** attrs) {
  *attrs = ippNew();
  std::vector<std::string> languages, programs, tones;
  for (const NamedChoice& c : kLanguages) languages.emplace_back(c.keyword);
  for (int32_t i = 0; i < kFinisherPrograms; ++i) programs.push_back(FinisherProgramKeyword(i));
  for (const TonePreset& t : kTonePresets) tones.emplace_back(t.name);
  AddKeywords(*attrs, "kalvo-language", languages, "rtl-gl2");
  AddKeywords(*attrs, "kalvo-finisher-program", programs, "manual-feed");
  AddKeywords(*attrs, "kalvo-tone", tones, "default");
  // A label of up to 64 letters and digits, checked by the driver's dialog.
  // PAPPL shows a text field for an option with a default and no
  // "-supported" values.
  ippAddString(*attrs, IPP_TAG_PRINTER, IPP_TAG_TEXT, "kalvo-label-default", nullptr, "");
}

// The job's value of an option, else the printer's default.
std::string VendorValue(pappl_job_t* job, pappl_pr_options_t* options, const VendorOption& o) {
  if (const char* v = cupsGetOption(o.name, options->num_vendor, options->vendor)) return v;
  ipp_t* attrs = papplPrinterGetDriverAttributes(papplJobGetPrinter(job));
  const std::string name = std::string(o.name) + "-default";
  ipp_attribute_t* a = ippFindAttribute(attrs, name.c_str(), IPP_TAG_ZERO);
  std::string value =
      a != nullptr && ippGetString(a, 0, nullptr) ? ippGetString(a, 0, nullptr) : o.fallback;
  ippDelete(attrs);
  return value;
}

// The filter's options, quoted as cupsParseOptions reads them.
std::string FilterOptions(pappl_job_t* job, pappl_pr_options_t* options) {
  std::string text;
  const auto add = [&text](const std::string& name, const std::string& value) {
    if (value.empty()) return;
    std::string quoted;
    for (char c : value) {
      if (c == '"' || c == '\\') quoted += '\\';
      quoted += c;
    }
    text += (text.empty() ? "" : " ") + name + "=\"" + quoted + "\"";
  };
  for (const VendorOption& o : kVendorOptions) add(o.name, VendorValue(job, options, o));
  add("media-type", options->media.type);
  add("media-source", options->media.source);
  return text;
}

bool StartJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
  auto* pipe = new FilterPipe;
  papplJobSetData(job, pipe);
  if (StartFilter(*pipe, job, device, FilterOptions(job, options), options->copies) < 0) {
    papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "Cannot start %s.", FilterProgram().c_str());
    return false;
  }
  return true;
}

bool StartPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*, unsigned) {
  auto* pipe = static_cast<FilterPipe*>(papplJobGetData(job));
  cups_page_header2_t header = options->header;
  return pipe != nullptr && WriteFilterHeader(*pipe, header) == 0;
}

bool WriteLine(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*, unsigned,
               const unsigned char* line) {
  auto* pipe = static_cast<FilterPipe*>(papplJobGetData(job));
  if (pipe == nullptr) return false;
  if (papplJobIsCanceled(job)) {
    // The filter closes the page in print as a whole job before it stops.
    CancelFilter(*pipe);
    return false;
  }
  return WriteFilterLine(*pipe, line, options->header.cupsBytesPerLine) == 0;
}

bool EndPage(pappl_job_t*, pappl_pr_options_t*, pappl_device_t*, unsigned) {
  return true;
}

bool EndJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
  auto* pipe = static_cast<FilterPipe*>(papplJobGetData(job));
  if (pipe == nullptr) return false;
  if (papplJobIsCanceled(job)) CancelFilter(*pipe);
  const int finished = FinishFilter(*pipe);
  if (finished < 0 && !papplJobIsCanceled(job))
    papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s", pipe->failure.c_str());
  else
    papplLogJob(job, PAPPL_LOGLEVEL_INFO, "%lld bytes sent to the printer.", pipe->bytesSent);
  papplJobSetData(job, nullptr);
  delete pipe;
  return finished == 0;
}

}  // namespace

const pappl_pr_driver_t kDrivers[2] = {
    {const_cast<char*>("kalvo_7410"), const_cast<char*>("Kalvo 7410 Wide Format"),
     const_cast<char*>("MFG:Kalvo;MDL:7410 Wide Format;CMD:PJL,HPGL2,RTL;"), nullptr},
    {const_cast<char*>("kalvo_7420"), const_cast<char*>("Kalvo 7420 Wide Format"),
     const_cast<char*>("MFG:Kalvo;MDL:7420 Wide Format;CMD:PJL,HPGL2,RTL;"), nullptr},
};

bool KalvoDriver(pappl_system_t*, const char* name, const char*, const char*,
                 pappl_pr_driver_data_t* data, ipp_t** attrs, void*) {
  const pappl_pr_driver_t* model =
      std::strcmp(name, kDrivers[1].name) == 0 ? &kDrivers[1] : &kDrivers[0];
  std::strncpy(data->make_and_model, model->description, sizeof data->make_and_model - 1);
  data->rstartjob_cb = &StartJob;
  data->rstartpage_cb = &StartPage;
  data->rwriteline_cb = &WriteLine;
  data->rendpage_cb = &EndPage;
  data->rendjob_cb = &EndJob;
  data->format = "application/vnd.kalvo-job";
  data->ppm = 1;
  data->kind = PAPPL_KIND_LARGE_FORMAT;
  data->color_supported = PAPPL_COLOR_MODE_MONOCHROME;
  data->color_default = PAPPL_COLOR_MODE_MONOCHROME;
  data->raster_types = PAPPL_PWG_RASTER_TYPE_SGRAY_8;
  data->force_raster_type = PAPPL_PWG_RASTER_TYPE_SGRAY_8;
  data->num_resolution = 4;
  for (int32_t i = 0; i < 4; ++i) data->x_resolution[i] = data->y_resolution[i] = kResolutions[i];
  data->x_default = data->y_default = 600;
  data->borderless = true;
  data->left_right = data->bottom_top = 0;
  data->num_media = static_cast<int>(std::size(kMedia));
  for (int32_t i = 0; i < data->num_media; ++i) data->media[i] = kMedia[i];
  data->num_source = static_cast<int>(std::size(kMediaSources));
  for (int32_t i = 0; i < data->num_source; ++i) {
    data->source[i] = kMediaSources[i].keyword;
    std::strcpy(data->media_ready[i].size_name, "na_arch-e_36x48in");
    std::strcpy(data->media_ready[i].source, kMediaSources[i].keyword);
    std::strcpy(data->media_ready[i].type, kMediaTypes[0].keyword);
    data->media_ready[i].size_width = 91440;
    data->media_ready[i].size_length = 121920;
  }
  data->media_default = data->media_ready[0];
  data->num_type = static_cast<int>(std::size(kMediaTypes));
  for (int32_t i = 0; i < data->num_type; ++i) data->type[i] = kMediaTypes[i].keyword;
  data->num_vendor = static_cast<int>(std::size(kVendorOptions));
  for (int32_t i = 0; i < data->num_vendor; ++i) data->vendor[i] = kVendorOptions[i].name;
  AddVendorAttributes(attrs);
  return true;
}

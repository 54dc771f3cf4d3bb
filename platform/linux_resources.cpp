// The Linux stand-in's copy of the library's resources: the dialog templates,
// expanded from the same file the resource script compiles, and the pictures,
// embedded from the same BMP files.
#if !defined(_WIN32)
#include <array>
#include <iterator>

#include "platform/linux_user.h"
#include "resources/dialog_ids.inc"

namespace {

#define DIALOG_TEMPLATE(name, w, h, style, caption) constexpr TemplateItem k##name[] = {
#define BARE_DIALOG_TEMPLATE(name, w, h, style) DIALOG_TEMPLATE(name, w, h, style, "")
#define CONTROL_ITEM(text, id, cls, style, x, y, w, h) \
  {text, id, cls, WS_CHILD | WS_VISIBLE | style, x, y, w, h, 0},
#define PICTURE_ITEM(bitmap, id, x, y, w, h) \
  {"", id, CLASS_STATIC, WS_CHILD | WS_VISIBLE | SS_BITMAP, x, y, w, h, bitmap},
#define END_TEMPLATE \
  }                  \
  ;
#include "resources/dialog_templates.inc"
#undef DIALOG_TEMPLATE
#undef BARE_DIALOG_TEMPLATE
#undef CONTROL_ITEM
#undef PICTURE_ITEM
#undef END_TEMPLATE

#define DIALOG_TEMPLATE(name, w, h, style, caption) \
  {#name, w, h, style, caption, k##name, std::size(k##name)},
#define BARE_DIALOG_TEMPLATE(name, w, h, style) DIALOG_TEMPLATE(name, w, h, style, "")
#define CONTROL_ITEM(text, id, cls, style, x, y, w, h)
#define PICTURE_ITEM(bitmap, id, x, y, w, h)
#define END_TEMPLATE
constexpr DialogTemplate kTemplates[] = {
#include "resources/dialog_templates.inc"
};

}  // namespace

// The BMP files, as the resource compiler takes them into the Win32 library.
#define EMBED_FILE(symbol, file)                                                                   \
  asm(".section .rodata\n.global " #symbol "\n.hidden " #symbol "\n" #symbol                       \
      ":\n.incbin \"" TRNKV_RESOURCES_DIR "/" file "\"\n.global " #symbol "_end\n.hidden " #symbol \
      "_end\n" #symbol "_end:\n.previous\n");                                                      \
  extern "C" const char symbol[], symbol##_end[];
EMBED_FILE(trnkv_logo_bmp, "logo.bmp")
EMBED_FILE(trnkv_graph_bmp, "graph_background.bmp")

const DialogTemplate* FindDialogTemplate(std::string_view name) {
  for (const DialogTemplate& t : kTemplates)
    if (name == t.name) return &t;
  return nullptr;
}

std::string_view BitmapResource(int32_t id) {
  if (id == IDB_LOGO)
    return {trnkv_logo_bmp, static_cast<size_t>(trnkv_logo_bmp_end - trnkv_logo_bmp)};
  if (id == IDB_GRAPH_BACKGROUND)
    return {trnkv_graph_bmp, static_cast<size_t>(trnkv_graph_bmp_end - trnkv_graph_bmp)};
  return {};
}
#endif

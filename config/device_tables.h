#pragma once
// The device tables of the one defined model, as the driver ships them. The
// descriptor is built from these at compile time; several names end in blanks
// that the dialogs show as they stand.
#include <array>
#include <cstdint>

struct ModelData {
  const char* name;
  uint16_t hasFinisher, hasMediaTypes, hasLabel, hasRedPrinting, hasManualOutput, has600Dpi,
      hasBinaryLanguage;
};

constexpr std::array<ModelData, 1> kModels = {{
    {"7410/7420 Wide Format", 1, 1, 1, 0, 1, 1, 0},
}};

struct PaperData {
  const char* name;
  double sheetLength;
  double sheetWidth;
  uint16_t allowsCustomLength;
  uint16_t maxCustomLength;
};

// Paper sizes 1 to 43 of model 0: name, length and width in inches, whether the
// length comes from the custom length, and the largest custom length in mm.
constexpr std::array<PaperData, 43> kPaperSizes = {{
    {"30-Arch(30\")    ", 42.0, 30.0, 0, 0},
    {"E-arch(36\")     ", 48.0, 36.0, 0, 0},
    {"D-arch(24\")     ", 36.0, 24.0, 0, 0},
    {"C-arch(18\")     ", 24.0, 17.973, 0, 0},
    {"B-arch(12\")     ", 17.973, 12.0, 0, 0},
    {"A-arch(9\")      ", 12.0, 8.96, 0, 0},
    {"E-ANSI(34\")     ", 44.0, 34.0, 0, 0},
    {"D-ANSI(22\")     ", 34.0, 22.0, 0, 0},
    {"C-ANSI(17\")     ", 22.0, 17.0, 0, 0},
    {"B-ANSI(11\")     ", 17.0, 11.0, 0, 0},
    {"A-ANSI(8.5\")    ", 11.0, 8.5, 0, 0},
    {"A0               ", 46.773, 33.12, 0, 0},
    {"A1               ", 33.12, 23.36, 0, 0},
    {"A2               ", 23.36, 16.533, 0, 0},
    {"A3               ", 16.533, 11.68, 0, 0},
    {"A4               ", 11.68, 8.266, 0, 0},
    {"Esp. A0 880 x 1230", 48.426, 34.613, 0, 0},
    {"Esp. A1 625 x 880 ", 34.613, 24.586, 0, 0},
    {"Esp. A1 620 x 871 ", 34.293, 24.373, 0, 0},
    {"Esp. A2 440 x 625 ", 24.586, 17.333, 0, 0},
    {"Esp. A2 435 x 620 ", 24.373, 17.12, 0, 0},
    {"Esp. A3 312 x 440 ", 17.333, 12.266, 0, 0},
    {"Esp. A3 310 x 435 ", 17.12, 12.16, 0, 0},
    {"Tamanho personalizado de largura 30-Arch(30\")", 118.11, 30.0, 1, 15000},
    {"Tamanho personalizado de largura E-arch(36\") ", 118.11, 36.0, 1, 15000},
    {"Tamanho personalizado de largura D-arch(24\") ", 118.11, 24.0, 1, 15000},
    {"Tamanho personalizado de largura C-arch(18\") ", 118.11, 17.973, 1, 15000},
    {"Tamanho personalizado de largura B-arch(12\") ", 118.11, 12.0, 1, 15000},
    {"Tamanho personalizado de largura A-arch(9\")  ", 118.11, 8.96, 1, 15000},
    {"Tamanho personalizado de largura E-ANSI(34\") ", 118.11, 34.0, 1, 15000},
    {"Tamanho personalizado de largura D-ANSI(22\") ", 118.11, 22.0, 1, 15000},
    {"Tamanho personalizado de largura C-ANSI(17\") ", 118.11, 17.0, 1, 15000},
    {"Tamanho personalizado de largura B-ANSI(11\") ", 118.11, 11.0, 1, 15000},
    {"Tamanho personalizado de largura A-ANSI(8,5\")", 118.11, 8.5, 1, 15000},
    {"Tamanho personalizado de largura A0           ", 118.11, 33.12, 1, 15000},
    {"Tamanho personalizado de largura A1           ", 118.11, 23.36, 1, 15000},
    {"Tamanho personalizado de largura A2           ", 118.11, 16.533, 1, 15000},
    {"Tamanho personalizado de largura A3           ", 118.11, 11.68, 1, 15000},
    {"Tamanho especializado de largura Esp. A0 880mm", 118.11, 34.613, 1, 15000},
    {"Tamanho especializado de largura Esp. A1 625mm", 118.11, 24.586, 1, 15000},
    {"Tamanho especializado de largura Esp. A1 620mm", 118.11, 24.373, 1, 15000},
    {"Tamanho especializado de largura Esp. A2 440mm", 118.11, 17.333, 1, 15000},
    {"Tamanho especializado de largura Esp. A2 435mm", 118.11, 17.12, 1, 15000},
}};

struct MediaData {
  const char* name;
  const char* command;
};

// Media types of model 0: the dialog name and the HP-GL/2 command. Vellum is
// MT4 on this printer; there is no MT3. No entry has a binary-language name or
// command.
constexpr std::array<MediaData, 4> kMediaTypes = {{
    {"Comum                          ", "MT0;"},
    {"Filme                          ", "MT1;"},
    {"Usar configuração da plotadora ", "MT2;"},
    {"Vellum                         ", "MT4;"},
}};

struct FinishData {
  const char* name;
  const char* pjlLine;
};

// Finisher programs 0 to 20: manual feed, then "Programa n" padded to 28
// characters, selecting PROGRAMn.
constexpr int32_t kFinishProgramCount = 21;
constexpr FinishData kManualFeed = {"Alimentação manual da pasta ",
                                    "@PJL DEFAULT FINISHPROGID=BYPASS\r\n"};
constexpr const char* kProgramNamePrefix = "Programa ";
constexpr int32_t kProgramNameWidth = 28;
constexpr const char* kProgramLinePrefix = "@PJL DEFAULT FINISHPROGID=PROGRAM";

constexpr std::array<FinishData, 2> kFinishMargins = {{
    {"Usar configuração do programa ", "@PJL DEFAULT FINISHMARGINS=USEPROGRAM\r\n"},
    {"Sempre desligado              ", "@PJL DEFAULT FINISHMARGINS=MARGINSOFF\r\n"},
}};

// Output bins 0 to 14: two named bins, then "Escaninho k" padded to 29
// characters, selecting BIN_k.
constexpr int32_t kFinishBinCount = 15;
constexpr std::array<FinishData, 2> kNamedBins = {{
    {"Não importa                  ", "@PJL DEFAULT FINISHBIN=DONTCARE\r\n"},
    {"Saída em formulário contínuo ", "@PJL DEFAULT FINISHBIN=FANFOLD\r\n"},
}};
constexpr const char* kBinNamePrefix = "Escaninho ";
constexpr int32_t kBinNameWidth = 29;
constexpr const char* kBinLinePrefix = "@PJL DEFAULT FINISHBIN=BIN_";

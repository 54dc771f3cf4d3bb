// adihost as a person runs it: exit codes and messages, the record file, the
// settings applied through the dialogs, the binary language, delivery to a
// printer on the loopback address, messages in the terminal's character set,
// and the strip server's resampling. The Win32 adihost is run under wine for
// what it does its own way: sockets and consoles.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "adihost_run.h"
#include "driver_fixture.h"
#include "host/protocol.h"
#include "platform/terminal_text.h"
#include "tests/band_reader.h"
#include "tools/adihost/host_text.h"
#include "tools/adihost/request_script.h"
#include "tools/host/conversation.h"
#include "tools/host/image_host.h"
#include "tools/host/settings.h"

namespace {

const std::string kAdihost = BuildProgram("adihost");
const std::string kWin32Adihost =
    std::string(TRNKV_WIN32_DIR).empty() ? "" : std::string(TRNKV_WIN32_DIR) + "/adihost.exe";
const std::string kExamples = std::string(TRNKV_SOURCE_DIR) + "/examples";

// The test is compiled with the driver's Windows-1252 execution character
// set; what adihost prints in a UTF-8 locale is UTF-8.
std::string Utf8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

using AdihostCli = AdihostFolder;

TEST_F(AdihostCli, HelpShowsExamplesAndExitCodes) {
  const HostRun r = Adihost("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Examples:"), std::string::npos);
  EXPECT_NE(r.out.find("  4  the job was written but could not be sent"), std::string::npos);
  EXPECT_EQ(Adihost("--frobnicate x.dxf").status, 2);
  EXPECT_EQ(Adihost("").status, 2);
  EXPECT_EQ(Adihost("--language qdrs --copies 2 x.req").status, 2);
}

TEST_F(AdihostCli, BadInputIsReportedWithItsNameAndLine) {
  HostRun r = Adihost("missing.dxf");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err, "adihost: missing.dxf: cannot open\n");
  Write("cut.dxf", "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n");
  r = Adihost("cut.dxf");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err, "adihost: cut.dxf: line 9: group code without a value (truncated file)\n");
  Write("bad.req", "move 1 2\nspin 3\n");
  r = Adihost("bad.req");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err, "adihost: bad.req: line 2: unknown request 'spin'\n");
  // A file named .png that is not one: refused before anything is claimed.
  Write("fake.png", "\x89PNG\r\n\x1a\nnot really a PNG at all");
  Write("image.req", "move 0 0\ndraw 10 10\nimage 100 100 200 200 fake.png\n");
  r = Adihost("-o image.plt image.req");
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("fake.png: not a valid PNG image"), std::string::npos) << r.err;
  EXPECT_FALSE(std::ifstream(Path("image.plt")).good());
}

TEST_F(AdihostCli, FailedWritesAreTheDriversFailureAndLeaveNoJob) {
  const std::string lines = kExamples + "/lines.req";
  HostRun r = Adihost("-o no/such/folder/x.plt " + lines);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no/such/folder/x.plt: No such file or directory"), std::string::npos);
  // The third host write fails mid-plot: the driver says so, in UTF-8.
  r = Adihost("--fail-write 3 -o x.plt " + kExamples + "/vector.req");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(Utf8(u8"Um erro ocoreu durante a saída da plotadora.")), std::string::npos);
  EXPECT_NE(r.err.find("a write failed; the job is incomplete"), std::string::npos) << r.err;
  EXPECT_FALSE(std::ifstream(Path("x.plt")).good());
  // A device that is full fails the first write; the device itself stays.
  r = Adihost("-o /dev/full " + lines);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(std::ifstream("/dev/full").good());
}

// An output that is the input or another output, by any name (a hard link,
// a symbolic link), is refused before anything is written.
TEST_F(AdihostCli, OutputsThatAreTheInputOrEachOtherAreRefused) {
  const std::string lines = ReadFile(kExamples + "/lines.req");
  Write("c.req", lines);
  ASSERT_EQ(link(Path("c.req").c_str(), Path("hard.req").c_str()), 0);
  ASSERT_EQ(symlink("c.req", Path("soft.req").c_str()), 0);
  for (const char* run : {"-o c.req c.req", "--preview c.req c.req", "-o hard.req c.req",
                          "-o soft.req c.req", "-o p.plt --preview p.plt c.req",
                          "-o q.plt --dump-requests q.plt c.req", "--record c.req c.req"}) {
    const HostRun r = Adihost(run);
    EXPECT_EQ(r.status, 2) << run;
    EXPECT_NE(r.err.find("is the same file as"), std::string::npos) << run << r.err;
  }
  EXPECT_EQ(ReadFile(Path("c.req")), lines);
  EXPECT_FALSE(std::ifstream(Path("p.plt")).good());
  EXPECT_FALSE(std::ifstream(Path("q.plt")).good());
}

// The job is written beside its place and renamed there when complete: a
// failed plot leaves the job that stood there, and no stray file.
TEST_F(AdihostCli, AFailedPlotLeavesTheJobThatStoodThere) {
  Write("x.plt", "OLD JOB");
  HostRun r = Adihost("--fail-write 3 -o x.plt " + kExamples + "/vector.req");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ReadFile(Path("x.plt")), "OLD JOB");
  r = Adihost("--dump-requests no/such/folder/d.req -o x.plt " + kExamples + "/lines.req");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ReadFile(Path("x.plt")), "OLD JOB");
  ASSERT_EQ(Adihost("-o x.plt " + kExamples + "/lines.req").status, 0);
  EXPECT_EQ(ReadFile(Path("x.plt")).substr(0, 9), "\x1b%-12345X");
  EXPECT_EQ(Run("", "ls", "").out, "err.txt\nout.txt\nx.plt\n");
}

// Nothing to plot is no success, a refused setting is exit 5 with the
// dialog's message, bad arguments are exit 2 before any work.
TEST_F(AdihostCli, ExitCodesFollowTheTable) {
  const std::string lines = kExamples + "/lines.req";
  Write("empty.req", "# nothing\n");
  for (const std::string& input : {kExamples, Path("empty.req"), std::string("/dev/null")}) {
    const HostRun r = Adihost("-o n.plt " + input);
    EXPECT_EQ(r.status, 3) << input << r.err;
    EXPECT_FALSE(std::ifstream(Path("n.plt")).good()) << input;
  }
  HostRun r = Adihost("--label 'A\"B' -o l.plt " + lines);
  EXPECT_EQ(r.status, 5);
  EXPECT_NE(r.err.find("[message box] Etiqueta: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("setting not applied: --label A\"B"), std::string::npos) << r.err;
  for (const char* bad : {"--paper 0", "--paper 44", "--send ''", "--send printer:99999",
                          "--send printer:", "--verbose=yes", "--scale=0"}) {
    r = Adihost(std::string(bad) + " -o b.plt " + lines);
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_EQ(r.err.find("[dialog script]"), std::string::npos) << r.err;
    EXPECT_FALSE(std::ifstream(Path("b.plt")).good()) << bad;
  }
}

// --opt=value, "--", standard input and output, the version and the papers.
TEST_F(AdihostCli, OptionFormsStandardInputVersionAndPapers) {
  Write("-dash.req", ReadFile(kExamples + "/lines.req"));
  ASSERT_EQ(Adihost("--copies=2 --output=a.plt -- -dash.req").status, 0);
  EXPECT_NE(ReadFile(Path("a.plt")).find("BP2,2;IN;"), std::string::npos);
  HostRun r = Adihost("- < " + std::string(TRNKV_SOURCE_DIR) + "/examples/sample/sample.dxf");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 9), "\x1b%-12345X");
  r = Adihost("--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, 8), "adihost ");
  EXPECT_NE(r.out.find("driver: Kalvo 7410/7420 Wide Format"), std::string::npos) << r.out;
  r = Adihost("--list-papers");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find(" 1  30-Arch(30\")\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("13  A1\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("43  "), std::string::npos) << r.out;
}

TEST_F(AdihostCli, PreviewIsDrawnFromTheJobJustWritten) {
  const std::string lines = kExamples + "/lines.req";
  HostRun r = Adihost("-o a.plt --preview a.png " + lines);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string png = ReadFile(Path("a.png"));
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_NE(r.err.find("a.png: the job's preview"), std::string::npos) << r.err;
  // Nowhere to draw it: the job stands, the failure is said.
  r = Adihost("-o b.plt --preview no/such/folder/b.png " + lines);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(std::ifstream(Path("b.plt")).good());
  EXPECT_EQ(Adihost("-o - --preview c.png " + lines).status, 2);
}

TEST_F(AdihostCli, TheRecordFileIsCreatedKeptAndRefusedWhenItIsNotOne) {
  const std::string lines = kExamples + "/lines.req";
  ASSERT_EQ(Adihost("--record s.rec -o a.plt " + lines).status, 0);
  const std::string record = ReadFile(Path("s.rec"));
  ASSERT_EQ(record.size(), static_cast<size_t>(kRecord.size));
  const auto* bytes = reinterpret_cast<const uint8_t*>(record.data());
  EXPECT_EQ(ReadI32(bytes, kRecord.copies), 1);
  EXPECT_EQ(ReadI32(bytes, kRecord.paperSize), 2);
  EXPECT_EQ(ReadU16(bytes, kRecord.plotFlags), kPlotHalftoneFill);
  EXPECT_EQ(ReadU16(bytes, kRecord.jobFlags) & (kJobResolutionMask | kJobQdrsOutput), kJob600Dpi);
  // Settings saved once stay for the next run, which changes nothing.
  ASSERT_EQ(Adihost("--record s.rec --copies 4 --margin 5 -o b.plt " + lines).status, 0);
  ASSERT_EQ(Adihost("--record s.rec -o c.plt " + lines).status, 0);
  EXPECT_EQ(ReadFile(Path("b.plt")), ReadFile(Path("c.plt")));
  EXPECT_NE(ReadFile(Path("c.plt")).find("BP2,4;IN;"), std::string::npos);
  const std::string kept = ReadFile(Path("s.rec"));
  EXPECT_EQ(ReadI16(reinterpret_cast<const uint8_t*>(kept.data()), kRecord.margin), 5);
  Write("short.rec", std::string(39, '\0'));
  const HostRun r = Adihost("--record short.rec " + lines);
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err, "adihost: short.rec: not a settings record (39 bytes, not 40)\n");
}

TEST_F(AdihostCli, SettingsReachTheJobHeaderAndRefusedOnesShowTheDialogsMessage) {
  const std::string lines = kExamples + "/lines.req";
  HostRun r = Adihost(
      "--paper A1 --copies 3 --label ABC --resolution 300 --program 3 --bin 4 "
      "--finisher-margins 1 --manual-output on -o s.plt " +
      kExamples + "/images.req");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string job = ReadFile(Path("s.plt"));
  for (const char* piece :
       {"@PJL DEFAULT FINISHPROGID=PROGRAM3\r\n@PJL DEFAULT FINISHMARGINS=MARGINSOFF\r\n"
        "@PJL DEFAULT FINISHBIN=BIN_3\r\n",
        "BP1,\"ABC\",2,3;IN;", "PS33649,23733", "XF4,1;", "\x1b*t300R"})
    EXPECT_NE(job.find(piece), std::string::npos) << piece;
  // Out of the dialog's range: its message box, and the setting is not applied.
  r = Adihost("--copies 100 --margin 11 -o t.plt " + lines);
  EXPECT_EQ(r.status, 5);
  for (const char8_t* line :
       {u8"[message box] Número de cópias: O número de cópias deve ser definido no intervalo de 1 "
        u8"a 99.\n",
        u8"[message box] Definição da margem: A margem deve ser definida no intervalo de 0 a 10.\n",
        u8"adihost: setting not applied: --copies 100\n",
        u8"adihost: setting not applied: --margin 11\n"})
    EXPECT_NE(r.err.find(Utf8(line)), std::string::npos) << Utf8(line);
  EXPECT_NE(ReadFile(Path("t.plt")).find("BP2,1;IN;"), std::string::npos);
}

// The black dots of every raster band of an RTL job, decoded by libtiff.
int64_t BlackDots(const std::string& job) {
  int64_t dots = 0;
  for (const WrittenBand& b : ReadRtlBands(job)) {
    const std::vector<uint8_t> rows = TiffDecodeG4(reinterpret_cast<const uint8_t*>(b.data.data()),
                                                   b.data.size(), b.rowBits, b.rows);
    EXPECT_EQ(rows.size(), static_cast<size_t>(b.rowBits / 8 * b.rows));
    for (uint8_t byte : rows) dots += __builtin_popcount(byte);
  }
  return dots;
}

// Tone levels reach the record through the brightness dialog and change how
// dark the screened image prints; what the dialog cannot do is said.
TEST_F(AdihostCli, ToneLevelsReachTheRecordAndTheScreenedImage) {
  Write("grey.req", "image 1000 1000 5000 4000 " + kExamples + "/colour.ppm\n");
  const auto levels = [&](const std::string& record) {
    const std::string bytes = ReadFile(Path(record));
    return bytes.size() == 40 ? bytes.substr(34, 5) : std::string();
  };
  ASSERT_EQ(Adihost("--record d.rec -o d.plt grey.req").status, 0);
  HostRun r = Adihost("--record l.rec --tone 0,160,210,240,255 -o l.plt grey.req");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(levels("l.rec"), std::string("\x00\xa0\xd2\xf0\xff", 5));
  r = Adihost("--record k.rec --tone 0,60,100,160,255 -o k.plt grey.req");
  ASSERT_EQ(r.status, 0) << r.err;
  // 100 falls between two rows of the graph: the nearest is taken and said.
  EXPECT_NE(r.err.find("adihost: --tone: level 2 is 101, the nearest to 100 the graph reaches\n"),
            std::string::npos)
      << r.err;
  const int64_t normal = BlackDots(ReadFile(Path("d.plt")));
  const int64_t lighter = BlackDots(ReadFile(Path("l.plt")));
  const int64_t darker = BlackDots(ReadFile(Path("k.plt")));
  EXPECT_GT(normal, 0);
  EXPECT_LT(lighter, normal * 9 / 10);
  EXPECT_GT(darker, normal * 11 / 10);

  // Arrow presses the dialog refuses: the curve spans 0..255 and cannot move.
  r = Adihost("--record l.rec --tone-default --brightness 2 -o b.plt grey.req");
  EXPECT_EQ(r.status, 5);
  EXPECT_NE(
      r.err.find("adihost: setting not applied: --brightness 2: the dialog refused presses at "
                 "the curve's limits; the levels are 0,123,187,228,255\n"),
      std::string::npos)
      << r.err;
  EXPECT_EQ(ReadFile(Path("b.plt")), ReadFile(Path("d.plt")));
  // Bad values are refused before anything is plotted or saved.
  for (const char* bad : {"--tone 0,50,40,200,255", "--tone 0,50,100,200", "--midtones x",
                          "--tone 0,50,100,150,200 --contrast 1"}) {
    r = Adihost(std::string("--record l.rec ") + bad + " -o x.plt grey.req");
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_NE(r.err.find("adihost: --"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::ifstream(Path("x.plt")).good());
  EXPECT_EQ(levels("l.rec"), std::string("\x00\x7b\xbb\xe4\xff", 5));
  // A drawing without images: the tone cannot show, and the user is told.
  r = Adihost("--tone-default -o n.plt " + kExamples + "/lines.req");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(
      r.err.find("lines.req: the tone settings change raster images only, and there are none"),
      std::string::npos)
      << r.err;
}

TEST_F(AdihostCli, TheBinaryLanguageComesFromTheRecordWithEveryDialogCancelled) {
  ASSERT_EQ(Adihost("--language qdrs --record q.rec --summary -o q.plt " + kExamples + "/lines.req")
                .status,
            0);
  EXPECT_EQ(ReadFile(Path("q.plt")).substr(0, 6), std::string("\x9b\x5e\x00\x02\x00\x02", 6));
  const std::string record = ReadFile(Path("q.rec"));
  EXPECT_EQ(ReadU16(reinterpret_cast<const uint8_t*>(record.data()), kRecord.jobFlags) &
                (kJobResolutionMask | kJobQdrsOutput),
            kJobQdrsOutput | kJob400Dpi);
  EXPECT_NE(ReadFile(Path("out.txt")).find("Selecione os dados gerados: QDRS+MMR"),
            std::string::npos);
}

TEST_F(AdihostCli, MessagesVerboseAndStandardOutput) {
  // A record that says the output goes to a serial port with Xon/Xoff.
  uint8_t record[kRecord.size] = {};
  WriteU32(record, kRecord.copies, 1);
  WriteU32(record, kRecord.paperSize, 2);
  WriteU32(record, kRecord.customLength, 396);
  WriteU16(record, kRecord.plotFlags, kPlotHalftoneFill | kPlotSerialPort);
  WriteU16(record, kRecord.jobFlags, kJob600Dpi);
  Write("serial.rec", std::string(reinterpret_cast<char*>(record), sizeof record));
  const HostRun r =
      Adihost("--verbose --legend --record serial.rec -o - " + kExamples + "/lines.req");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 9), "\x1b%-12345X");  // the job alone on standard output
  EXPECT_NE(r.err.find(Utf8(u8"Tipo de linha No. 0 = Linha sólida")), std::string::npos);
  EXPECT_NE(r.err.find("adihost: device control: \\e.I81;0;17:"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("adihost: swap setting: driver asked 30, answered 5"), std::string::npos);
  EXPECT_EQ(Windows1252ToUtf8("\x80 \xE7\xE3o \x81"), Utf8(u8"€ ção ?"));
}

// A printer on the loopback address that takes `keep` bytes, then either
// reads on to the end or resets the connection. A host that never calls is
// given up on after a minute.
struct Printer {
  int listener = -1;
  int port = 0;
  std::string received;
  std::thread thread;
  Printer(bool resetEarly) {
    listener = socket(AF_INET, SOCK_STREAM, 0);
    // A small window, so that the host cannot have handed over the whole job
    // before the hang-up.
    const int window = 16384;
    if (resetEarly) setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listener, 1);
    socklen_t n = sizeof a;
    getsockname(listener, reinterpret_cast<sockaddr*>(&a), &n);
    port = ntohs(a.sin_port);
    thread = std::thread([this, resetEarly] {
      pollfd call{listener, POLLIN, 0};
      if (poll(&call, 1, 60000) != 1) return;
      const int c = accept(listener, nullptr, nullptr);
      char block[4096];
      for (ssize_t got; (got = recv(c, block, sizeof block, 0)) > 0;) {
        received.append(block, got);
        if (resetEarly && received.size() > 1000) {
          linger hard{1, 0};
          setsockopt(c, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
          break;
        }
      }
      close(c);
    });
  }
  ~Printer() {
    if (thread.joinable()) thread.join();
    close(listener);
  }
};

// A loopback port nobody listens on: one just given back.
int FreePort() {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(probe, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t n = sizeof a;
  getsockname(probe, reinterpret_cast<sockaddr*>(&a), &n);
  close(probe);
  return ntohs(a.sin_port);
}

// Delivery through either build's sockets: the whole job to a printer that
// reads it all, the job kept and the reason given for a printer that does not
// answer or that hangs up part-way.
void ExpectDelivery(const std::function<HostRun(const std::string&)>& adihost,
                    const std::function<std::string(const std::string&)>& read,
                    const std::string& bigInput) {
  {
    Printer printer(false);
    const std::string target = "127.0.0.1:" + std::to_string(printer.port);
    const HostRun r = adihost("--send " + target + " -o j.plt " + kExamples + "/images.req");
    printer.thread.join();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_GT(printer.received.size(), 100000u);
    EXPECT_EQ(printer.received, read("j.plt"));
    EXPECT_NE(r.err.find("adihost: sent j.plt to " + target), std::string::npos) << r.err;
  }
  const std::string closed = "127.0.0.1:" + std::to_string(FreePort());
  HostRun r = adihost("--send " + closed + " --timeout 2 -o k.plt " + kExamples + "/lines.req");
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("adihost: cannot connect to " + closed +
                       ": Connection refused; the job is kept in k.plt\n"),
            std::string::npos)
      << r.err;
  EXPECT_GT(read("k.plt").size(), 1000u);
  {
    Printer rude(true);
    r = adihost("--send 127.0.0.1:" + std::to_string(rude.port) + " --timeout 5 -o m.plt " +
                bigInput);
    rude.thread.join();
  }
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("broke"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("the job is kept in m.plt"), std::string::npos) << r.err;
  EXPECT_GT(read("m.plt").size(), 1000u);
}

TEST_F(AdihostCli, JobsAreSentToThePrinterAndKeptWhenSendingFails) {
  ExpectDelivery([this](const std::string& a) { return Adihost(a); },
                 [this](const std::string& name) { return ReadFile(Path(name)); },
                 std::string(TRNKV_SOURCE_DIR) + "/examples/sample/sample.dxf");
}

// A Latin-1 locale of our own, made once from the system's locale sources,
// used through LOCPATH so that nothing is installed. Empty when it cannot be made.
std::string LatinOneLocales() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/adihost-locales-XXXXXX";
    const std::string made = mkdtemp(pattern);
    const std::string command =
        "localedef -i pt_BR -f ISO-8859-1 " + made + "/pt_BR.ISO-8859-1 >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 ? made : "";
  }();
  return folder;
}

// The driver's Windows-1252 texts, the settings summary on standard output and
// a dialog's message box on standard error, in the character set of the
// terminal's locale: UTF-8, Latin-1, and the C locale's ASCII with '?' for
// what it cannot show.
TEST_F(AdihostCli, MessagesAreShownInTheTerminalsCharacterSet) {
  const std::string run = "--summary --copies 100 -o a.plt " + kExamples + "/lines.req";
  HostRun r = Adihost(run);
  EXPECT_EQ(r.status, 5);
  EXPECT_NE(r.out.find(Utf8(u8" Nenhuma saída manual \n")), std::string::npos) << r.out;
  EXPECT_NE(r.err.find(Utf8(u8"[message box] Número de cópias: ")), std::string::npos) << r.err;

  r = Run("LC_ALL=C", kAdihost, run);
  EXPECT_EQ(r.status, 5);
  EXPECT_NE(r.out.find(" Nenhuma sa?da manual \n"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("[message box] N?mero de c?pias: "), std::string::npos) << r.err;
  for (unsigned char c : r.out + r.err) ASSERT_LT(c, 0x80) << r.out << r.err;

  const std::string locales = LatinOneLocales();
  ASSERT_FALSE(locales.empty()) << "localedef could not make a Latin-1 locale";
  r = Run("LOCPATH=" + locales + " LC_ALL=pt_BR.ISO-8859-1", kAdihost, run);
  EXPECT_EQ(r.status, 5);
  EXPECT_NE(r.out.find(" Nenhuma sa\xED"
                       "da manual \n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.err.find("[message box] N\xFAmero de c\xF3pias: "), std::string::npos) << r.err;

  // What Latin-1 lacks is written the nearest way it can be; the code page's
  // holes are never shown as characters.
  const char* const latinOne = "pt_BR.ISO-8859-1";
  const std::string before = std::setlocale(LC_CTYPE, nullptr);
  setenv("LOCPATH", locales.c_str(), 1);
  ASSERT_NE(std::setlocale(LC_CTYPE, latinOne), nullptr);
  EXPECT_EQ(Windows1252ToTerminal("\x80 \xE7\xE3o \x81\x93x\x94"), "EUR \xE7\xE3o ?\"x\"");
  std::setlocale(LC_CTYPE, "C.UTF-8");
  EXPECT_EQ(Windows1252ToTerminal("\x80 \xE7\xE3o \x81"), Utf8(u8"€ ção ?"));
  std::setlocale(LC_CTYPE, before.c_str());
  unsetenv("LOCPATH");
}

// The Win32 adihost under wine, in the test's folder.
class AdihostWin32 : public AdihostCli {
 protected:
  void SetUp() override {
    if (kWin32Adihost.empty()) GTEST_SKIP() << "the native build runs the Win32 adihost";
    if (!std::ifstream(kWin32Adihost).good())
      GTEST_SKIP() << "no Win32 build in " << TRNKV_WIN32_DIR;
    if (!WhyNo32BitPrograms().empty()) GTEST_SKIP() << "wine cannot run: " << WhyNo32BitPrograms();
    AdihostCli::SetUp();
  }
  HostRun Wine(const std::string& arguments) {
    return Run("WINEDEBUG=-all", "wine " + kWin32Adihost, arguments);
  }
};

// The printer hangs up part-way through a job of some twelve megabytes (the
// sample drawn three times over), more than the loopback connection holds, so
// that the sending itself fails: under wine a reset that comes after the last
// byte has been taken reads as an orderly close.
TEST_F(AdihostWin32, JobsAreSentOverWinsockAndKeptWhenSendingFails) {
  ASSERT_EQ(Adihost("--dump-requests sample.req -o sample.plt " + std::string(TRNKV_SOURCE_DIR) +
                    "/examples/sample/sample.dxf")
                .status,
            0);
  const std::string sample = ReadFile(Path("sample.req"));
  Write("big.req", sample + sample + sample);
  ExpectDelivery([this](const std::string& a) { return Wine(a); },
                 [this](const std::string& name) { return ReadFile(Path(name)); }, "big.req");
}

// Written to a file from a console, the messages take the console's code page
// (850 for a Portuguese one), which the console's own tools read back; with
// no console at all they are UTF-8.
TEST_F(AdihostWin32, MessagesTakeTheConsolesCodePage) {
  const std::string run = "--summary -o a.plt " + kExamples + "/lines.req";
  const std::string inConsole =
      "cd " + folder + " && LC_ALL=pt_BR.UTF-8 WINEDEBUG=-all script -qec \"wine " + kWin32Adihost +
      " " + run + " >out.txt 2>err.txt\" /dev/null </dev/null >/dev/null 2>&1";
  ASSERT_EQ(std::system(inConsole.c_str()), 0) << ReadFile(Path("err.txt"));
  EXPECT_NE(ReadFile(Path("out.txt")).find(" Programa: Alimenta\x87\xC6o manual"),
            std::string::npos)
      << ReadFile(Path("out.txt"));
  const HostRun r = Wine(run);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(Utf8(u8" Programa: Alimentação manual")), std::string::npos) << r.out;
}

TEST_F(AdihostCli, ADrawingsRequestScriptPlaysToTheSameJob) {
  const std::string sample = std::string(TRNKV_SOURCE_DIR) + "/examples/sample/sample.dxf";
  const HostRun r = Adihost("--dump-requests s.req -o a.plt " + sample);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("not plotted as drawn"), std::string::npos) << r.err;
  EXPECT_TRUE(std::ifstream(Path("s-image1.ppm")).good());
  ASSERT_EQ(Adihost("-o b.plt s.req").status, 0);
  EXPECT_EQ(ReadFile(Path("a.plt")), ReadFile(Path("b.plt")));
}

TEST(AdihostScript, ParsesFormatsAndRefusesBadLines) {
  const std::string script =
      "move 10 20\ndraw 30 40\nlift\npen 3\nlinetype 2\nlinetypes 8\nwidth 0.013779527559055118\n"
      "polygon 4 0 0 10 0 10 10\npolygon-inline 5 1 1 2 2 3 1\nimage 1 2 3 4 index 5 transparent "
      "my image.png\nimage 0 0 300 400 frame 300 0 0 400 -300 0.10000000000000001 turned.pbm\n";
  std::vector<Request> requests;
  std::string error;
  ASSERT_EQ(ParseRequestScript("# comment\n\n" + script, "", requests, error), 0) << error;
  EXPECT_EQ(requests[requests.size() - 2].file, "my image.png");
  EXPECT_EQ(requests.back().frame.vy, 0.1);
  EXPECT_EQ(FormatRequestScript(requests), script);
  for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
           {"move 1", "line 1: move takes 2 numbers"},
           {"draw 1 70000", "line 1: '70000' is not a number from 0 to 65535"},
           {"polygon 1 2 3", "line 1: polygon takes a pen and at least two X Y pairs"},
           {"width wide", "line 1: bad width 'wide'"},
           {"image 1 2 3 4", "line 1: image without a file"},
           {"image 1 2 3 4 frame 1 2 3 4 5 x.png",
            "line 1: image frame takes X Y UX UY VX VY, then the file"},
           {"image 1 2 3 4 frame 1 2 3 4 6 8 x.png", "line 1: image frame without an area"},
           {"image 1 2 3 4 frame 1 2 3 nan 6 8 x.png", "line 1: bad image frame value 'nan'"}}) {
    requests.clear();
    EXPECT_EQ(ParseRequestScript(text, "", requests, error), -1);
    EXPECT_EQ(error, message);
  }
}

TEST(AdihostScript, SettingsBecomeTheAgreedDialogScript) {
  Settings s;
  std::string error;
  for (auto [option, value] :
       std::vector<std::pair<std::string, std::string>>{{"--paper", "a1"},
                                                        {"--length", "900"},
                                                        {"--copies", "2"},
                                                        {"--fill", "solid"},
                                                        {"--resolution", "200"},
                                                        {"--label", "PLAN 7"},
                                                        {"--bin", "1"}})
    ASSERT_EQ(ParseSetting(option, value, s, error), 1) << option;
  EXPECT_EQ(
      DialogScriptFor(s),
      "dialog DRIVERCFG2_POR\nselect 105 12\ntype 1012 900\ntype 114 2\nclick 1018\nclick 1033\n"
      "type 1041 PLAN 7\nleave 1041\nclick 1076\nclick IDOK\n"
      "dialog OPTIONCFG2_POR\nselect 1095 1\nclick IDOK\n");
  EXPECT_EQ(ParseSetting("--resolution", "500", s, error), -1);
  EXPECT_EQ(ParseSetting("--paper", "Z9", s, error), -1);
  EXPECT_EQ(ParseSetting("--frob", "1", s, error), 0);
}

// A four-pixel colour image served strip by strip: the sheet is longer than
// wide, so strips are columns from the left, pixels counted from the bottom.
TEST(AdihostStrips, RealImagesAreResampledToTheStripsAsked) {
  const DriverLink d = ResetDriver();
  const ConversationResult start = HostHandshake(d);
  HostDrawingStart(d, start.area, {});
  RasterPixels image;
  image.width = image.height = 2;
  image.colour = true;
  image.data = {255, 0, 0,   0,   255, 0,     // top: red, green
                0,   0, 255, 255, 255, 255};  // bottom: blue, white
  ResetImageHost();
  imageHostLog.keepServed = true;
  BeginPlot(d);
  SendRasterImage(d, 1000, 1000, 1400, 1300, image, 7);
  EndPlot(d);
  ASSERT_GT(imageHostLog.served.size(), 10u);
  const auto pixel = [](const std::vector<uint8_t>& strip, size_t j) {
    return std::vector<uint8_t>(strip.begin() + 3 * j, strip.begin() + 3 * j + 3);
  };
  const auto& first = imageHostLog.served.front();
  const auto& last = imageHostLog.served.back();
  EXPECT_EQ(pixel(first, 0), (std::vector<uint8_t>{0, 0, 255}));
  EXPECT_EQ(pixel(first, first.size() / 3 - 1), (std::vector<uint8_t>{255, 0, 0}));
  EXPECT_EQ(pixel(last, 0), (std::vector<uint8_t>{255, 255, 255}));
  EXPECT_EQ(pixel(last, last.size() / 3 - 1), (std::vector<uint8_t>{0, 255, 0}));
  EXPECT_EQ(imageHostLog.releases, imageHostLog.fetches);
}

// A quarter turn or a mirror moves pixels without resampling them: the job is
// the very job of an upright image whose pixels were turned by hand. Any other
// frame is served from the source through the inverse turn, white outside.
TEST(AdihostStrips, TurnedImagesAreServedThroughTheirFrame) {
  RasterPixels image;
  image.width = 3, image.height = 2;
  image.data = {1, 0, 0,   // top row: a mark at the left
                0, 0, 1};  // bottom row: a mark at the right
  struct Turn {
    ImageFrame frame;
    int32_t width;
    std::vector<uint8_t> pixels;
  };
  const Turn turns[] = {
      // A quarter turn counter-clockwise: the top row becomes the left column.
      {{.given = true, .x = 1400, .y = 1000, .ux = 0, .uy = 300, .vx = -400, .vy = 0},
       2,
       {0, 1, 0, 0, 1, 0}},
      // Mirrored left to right.
      {{.given = true, .x = 1300, .y = 1000, .ux = -300, .uy = 0, .vx = 0, .vy = 400},
       3,
       {0, 0, 1, 1, 0, 0}},
      // Upside down: a half turn.
      {{.given = true, .x = 1300, .y = 1400, .ux = -300, .uy = 0, .vx = 0, .vy = -400},
       3,
       {1, 0, 0, 0, 0, 1}},
  };
  const DriverLink d = ResetDriver();
  const ConversationResult start = HostHandshake(d);
  HostDrawingStart(d, start.area, {});
  const auto plot = [&](const RasterPixels& pixels, const ImageFrame& frame, int32_t x2,
                        int32_t y2) {
    hostLog.output.clear();
    BeginPlot(d);
    SendRasterImage(d, 1000, 1000, x2, y2, pixels, 7, frame);
    EndPlot(d);
    return hostLog.output;
  };
  for (const Turn& turn : turns) {
    const RasterPixels turned = TurnedPixels(image, turn.frame);
    EXPECT_EQ(turned.width, turn.width);
    EXPECT_EQ(turned.data, turn.pixels);
    RasterPixels byHand = image;
    byHand.width = turn.width, byHand.height = 6 / turn.width, byHand.data = turn.pixels;
    EXPECT_EQ(plot(image, turn.frame, 1300, 1400), plot(byHand, {}, 1300, 1400));
  }

  // A dark image turned by 45 degrees, 1500 long and 1000 high, in its
  // bounding box: the strip through the box's middle crosses the image's
  // centre and leaves the image before either end of the box, where it is
  // white (and the image request see-through); the dark pixels cover the
  // image's share of the box.
  image.data.assign(6, 1);
  const double u = 1500 / std::sqrt(2.0), v = 1000 / std::sqrt(2.0);
  const ImageFrame slant{
      .given = true, .x = 1000 + v, .y = 1000, .ux = u, .uy = u, .vx = -v, .vy = v};
  const int32_t far = 1000 + static_cast<int32_t>(u + v);
  ResetImageHost();
  imageHostLog.keepServed = true;
  hostLog.output.clear();
  BeginPlot(d);
  SendRasterImage(d, 1000, 1000, far, far, image, 7, slant);
  EndPlot(d);
  EXPECT_NE(hostLog.output.find("TR1;"), std::string::npos) << "see-through";
  ASSERT_GT(imageHostLog.served.size(), 100u);
  const std::vector<uint8_t>& middle = imageHostLog.served[imageHostLog.served.size() / 2];
  EXPECT_EQ(middle.front(), 0);
  EXPECT_EQ(middle.back(), 0);
  EXPECT_EQ(middle[middle.size() / 2], 1);
  double dark = 0, all = 0;
  for (const std::vector<uint8_t>& strip : imageHostLog.served) {
    dark += static_cast<double>(std::count(strip.begin(), strip.end(), 1));
    all += static_cast<double>(strip.size());
  }
  EXPECT_NEAR(dark / all, 1500.0 * 1000 / ((far - 1000) * (far - 1000.0)), 0.01);
}

}  // namespace

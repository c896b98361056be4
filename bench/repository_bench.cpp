// Printers, medias and modes of repositories of real size, against floors
// measured in the same run:
// - listing the printers vs a bare readdir of "Printers" with type checks;
// - start-up (a new process opens a reader of every printer and reads every
//   value) vs a bare libxml2 SAX pass over the same settings files in a new
//   process; for information also vs parsing them into our trees from
//   memory, in a new process (cold) and, as the load benchmark does, in a
//   warm one;
// - a warm text getter vs copying a string of the same length;
// - media and mode lookups on a printer with 200 medias of 50 modes;
// - resident memory per opened printer vs its settings file's size;
// - resident memory of a host that opens every printer, media and mode and
//   reads every value vs the settings bytes it loaded, with the number of
//   memory mappings, which must not grow with the printers;
// and the same for 100 to 2,000 printers to show how cost grows.
//
// The repositories come from scripts/make-large-repo; scripts/bench makes
// them and passes their folder in VEXA_BENCH_DATA (pN = N printers × 4
// medias × 3 modes, m200 = one printer × 200 medias × 50 modes).
#include <dirent.h>
#include <libxml/parser.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <list>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "kernel/Text.h"
#include "repos/MediaReader.h"
#include "repos/MediaRepository.h"
#include "repos/ModeReader.h"
#include "repos/ModeRepository.h"
#include "repos/PrinterReader.h"
#include "repos/PrinterRepository.h"
#include "repos/Settings.h"
#include "repos/SystemRepository.h"

using vexa::kernel::fromMB;
using vexa::repos::SystemRepository;
using vexa::repos::printer::MediaReader;
using vexa::repos::printer::ModeReader;
using vexa::repos::printer::PrinterCatalog;
using vexa::repos::printer::PrinterReader;

namespace {

std::string dataFolder(const std::string& name) {
    const char* base = std::getenv("VEXA_BENCH_DATA");
    return base ? std::string(base) + "/" + name : std::string();
}

// Points the library at one of the benchmark repositories, forgetting
// everything opened before.
bool useRepository(benchmark::State& state, const std::string& name) {
    const std::string folder = dataFolder(name);
    struct stat status;
    if (folder.empty() || ::stat((folder + "/db/Printers").c_str(), &status) != 0) {
        state.SkipWithError(("no repository " + name + " (run scripts/bench)").c_str());
        return false;
    }
    ::setenv("VEXA_INSTALL", folder.c_str(), 1);
    SystemRepository::Reset();
    PrinterCatalog::reset();
    return true;
}

std::string printersFolder(const std::string& name) {
    return dataFolder(name) + "/db/Printers";
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// ---- 1. Listing ------------------------------------------------------------

void BM_ListPrinters(benchmark::State& state) {
    const std::string name = "p" + std::to_string(state.range(0));
    if (!useRepository(state, name)) {
        return;
    }
    std::size_t count = 0;
    for (auto _ : state) {
        count = SystemRepository::getPrintersList().size();
        benchmark::DoNotOptimize(count);
    }
    state.counters["printers"] = static_cast<double>(count);
}

// The floor: readdir with the type of each entry, as the listing needs it.
void BM_BareReaddir(benchmark::State& state) {
    const std::string folder = printersFolder("p" + std::to_string(state.range(0)));
    std::size_t count = 0;
    for (auto _ : state) {
        count = 0;
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr) {
            state.SkipWithError("no repository (run scripts/bench)");
            return;
        }
        while (dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] == '.' &&
                (entry->d_name[1] == 0 || (entry->d_name[1] == '.' && entry->d_name[2] == 0))) {
                continue;
            }
            bool folderEntry = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
                struct stat status;
                folderEntry = ::fstatat(::dirfd(dir), entry->d_name, &status, 0) == 0 &&
                              S_ISDIR(status.st_mode);
            }
            count += folderEntry ? 1 : 0;
        }
        ::closedir(dir);
        benchmark::DoNotOptimize(count);
    }
}

// ---- 2. Start-up -----------------------------------------------------------

// Every value a host reads of a printer.
std::size_t readEverything(PrinterReader& reader) {
    std::size_t touched = 0;
    touched += reader.getPrinterName().length() + reader.getDeviceName().length() +
               reader.getDllModule().length() + reader.getPPDFile().length();
    touched += reader.getPortType().length() + reader.getPortData().length() +
               reader.getTCPAdditionalPort().length() + reader.getTCPDefaultPort().length() +
               reader.getVirtualPrinterExtension().length() + reader.getDefaultPageSize().length();
    touched += reader.getDefaultMedia().second.length() + reader.getDefaultMediaLegacy().length();
    touched += reader.getDotInfo() ? 1 : 0;
    touched += reader.getInkTypes() ? 1 : 0;
    touched += reader.getPageSizes() ? 1 : 0;
    touched += reader.getPortList() ? 1 : 0;
    touched += reader.getScreenSetups() ? 1 : 0;
    touched += reader.getDefaultResolutions() ? 1 : 0;
    touched += reader.getDeviceResolutions().size() + reader.getInkCfgs().size();
    touched += reader.getResolutionAliases(false).size();
    touched += reader.getMediaList().size();
    return touched;
}

// Runs this program anew as `--vexa-child=<task>` on the repository `name`
// and returns the seconds the child timed: a host starting up is a fresh
// process, not a forked copy of one that has done work already (copying its
// pages on write would be measured too).
// Every number the child printed; empty when it failed.
std::vector<double> figuresInNewProcess(const std::string& task, const std::string& name) {
    const std::string command = "'/proc/" + std::to_string(::getpid()) +
                                "/exe' --vexa-child=" + task + " '" + dataFolder(name) + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {};
    }
    std::vector<double> figures;
    for (double figure = 0; std::fscanf(pipe, "%lf", &figure) == 1;) {
        figures.push_back(figure);
    }
    return ::pclose(pipe) == 0 ? figures : std::vector<double>();
}

double inNewProcess(const std::string& task, const std::string& name) {
    const std::vector<double> figures = figuresInNewProcess(task, name);
    return figures.empty() ? -1 : figures.front();
}

std::size_t settingsBytes(const std::string& name) {
    std::size_t bytes = 0;
    for (const wxString& printer : SystemRepository::getPrintersList()) {
        struct stat status;
        const std::string path =
            printersFolder(name) + "/" + vexa::kernel::toMB(printer) + "/.Settings.xml";
        bytes += ::stat(path.c_str(), &status) == 0 ? static_cast<std::size_t>(status.st_size) : 0;
    }
    return bytes;
}

// Times `task` in a new process on the repository of state.range(0)
// printers, per byte of its settings files. Each iteration keeps the fastest
// of a few children: on a shared machine a single cold run of a few
// milliseconds swings by half (the floor as much as the figure), and the
// fastest is the one least disturbed, for the figure and its floor alike.
void runColdChild(benchmark::State& state, const std::string& task) {
    const int kRunsPerIteration = 3;
    const std::string name = "p" + std::to_string(state.range(0));
    if (!useRepository(state, name)) {
        return;
    }
    const std::size_t bytes = settingsBytes(name);
    for (auto _ : state) {
        double fastest = -1;
        for (int run = 0; run < kRunsPerIteration; ++run) {
            const double seconds = inNewProcess(task, name);
            if (seconds < 0) {
                state.SkipWithError("child failed");
                return;
            }
            fastest = fastest < 0 ? seconds : std::min(fastest, seconds);
        }
        state.SetIterationTime(fastest);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["settings_MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_StartupCold(benchmark::State& state) {
    runColdChild(state, "startup");
}

// The floor: the same settings files, read into memory first, parsed and
// kept (as the repositories keep them) in a new process like the start-up's.
void BM_LoadSameFiles(benchmark::State& state) {
    runColdChild(state, "load");
}

// The floor of start-up: the cheapest reading of the same bytes, each
// settings file read into memory and passed through libxml2's SAX2 parser
// with callbacks that only count, in a new process.
void BM_SaxFloor(benchmark::State& state) {
    runColdChild(state, "sax");
}

// Start-up against the SAX floor with the two children taken in turn, so
// that both meet the machine in the same state (measured apart, minutes
// from each other, the floor alone moved by half between runs): the fastest
// of each over a few pairs. The "time" reported is their ratio; both read
// the same files, so it is the ratio per MB too.
void BM_StartupVsSax(benchmark::State& state) {
    const int kPairs = 5;
    const std::string name = "p" + std::to_string(state.range(0));
    if (!useRepository(state, name)) {
        return;
    }
    double startup = -1;
    double sax = -1;
    for (auto _ : state) {
        for (int pair = 0; pair < kPairs; ++pair) {
            const double started = inNewProcess("startup", name);
            const double parsed = inNewProcess("sax", name);
            if (started < 0 || parsed <= 0) {
                state.SkipWithError("child failed");
                return;
            }
            startup = startup < 0 ? started : std::min(startup, started);
            sax = sax < 0 ? parsed : std::min(sax, parsed);
        }
        state.SetIterationTime(startup / sax);
    }
    state.counters["startup_ms"] = startup * 1e3;
    state.counters["sax_ms"] = sax * 1e3;
}

// The children of the cold benchmarks: open every printer and read every
// value, or parse every printer's settings file from memory.
double childStartup() {
    const auto start = std::chrono::steady_clock::now();
    std::size_t touched = 0;
    for (const wxString& printer : SystemRepository::getPrintersList()) {
        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(printer);
        touched += reader ? readEverything(*reader) : 0;
    }
    benchmark::DoNotOptimize(touched);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every printer's settings file of the current repository, read into memory.
std::vector<std::string> settingsFiles(const std::string& folder) {
    std::vector<std::string> files;
    for (const wxString& printer : SystemRepository::getPrintersList()) {
        files.push_back(
            readFile(folder + "/db/Printers/" + vexa::kernel::toMB(printer) + "/.Settings.xml"));
    }
    return files;
}

// Parses every file from memory and keeps the trees, as the repositories
// keep them; returns the seconds the parsing took.
double parseAll(const std::vector<std::string>& files,
                std::vector<boost::shared_ptr<vexa::repos::Settings>>& kept) {
    kept.reserve(files.size());
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& file : files) {
        wxMemoryInputStream in(file.data(), file.size());
        kept.push_back(vexa::repos::SettingsManager::GetSettings(in));
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Counts elements and attributes: something the parser cannot skip.
struct SaxCounts {
    std::size_t elements = 0;
    std::size_t attributes = 0;
};

void countElement(void* context, const xmlChar*, const xmlChar*, const xmlChar*, int,
                  const xmlChar**, int attributes, int, const xmlChar**) {
    SaxCounts* counts = static_cast<SaxCounts*>(context);
    ++counts->elements;
    counts->attributes += static_cast<std::size_t>(attributes);
}

double childSax(const std::string& folder) {
    std::vector<std::string> paths;
    for (const wxString& printer : SystemRepository::getPrintersList()) {
        paths.push_back(folder + "/db/Printers/" + vexa::kernel::toMB(printer) + "/.Settings.xml");
    }
    xmlInitParser();
    xmlSAXHandler handler;
    std::memset(&handler, 0, sizeof(handler));
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElementNs = countElement;
    SaxCounts counts;
    const auto start = std::chrono::steady_clock::now();
    std::string text;
    for (const std::string& path : paths) {
        text = readFile(path);
        xmlSAXUserParseMemory(&handler, &counts, text.data(), static_cast<int>(text.size()));
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    benchmark::DoNotOptimize(counts);
    return counts.elements > 0 ? seconds : -1;
}

double childLoad(const std::string& folder) {
    const std::vector<std::string> files = settingsFiles(folder);
    std::vector<boost::shared_ptr<vexa::repos::Settings>> kept;
    return parseAll(files, kept);
}

// The load benchmark's own conditions on the same files: a process that has
// parsed before, so the heap's pages are in place. Start-up cannot have
// that; the cold floor above shows what start-up adds to parsing alone.
void BM_LoadSameFilesWarm(benchmark::State& state) {
    const std::string name = "p" + std::to_string(state.range(0));
    if (!useRepository(state, name)) {
        return;
    }
    const std::vector<std::string> files = settingsFiles(dataFolder(name));
    std::size_t bytes = 0;
    for (const std::string& file : files) {
        bytes += file.size();
    }
    {
        std::vector<boost::shared_ptr<vexa::repos::Settings>> warmUp;
        parseAll(files, warmUp);
    }
    for (auto _ : state) {
        std::vector<boost::shared_ptr<vexa::repos::Settings>> kept;
        state.SetIterationTime(parseAll(files, kept));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// ---- 3. Warm getter --------------------------------------------------------

void BM_WarmTextGetter(benchmark::State& state) {
    if (!useRepository(state, "p100")) {
        return;
    }
    boost::shared_ptr<PrinterReader> reader =
        PrinterReader::getReader(SystemRepository::getPrintersList().front());
    if (!reader) {
        state.SkipWithError("no reader");
        return;
    }
    reader->getPortType();  // fills the cache
    for (auto _ : state) {
        wxString value = reader->getPortType();
        benchmark::DoNotOptimize(value);
    }
    state.counters["length"] = static_cast<double>(reader->getPortType().length());
}

void BM_StringCopy(benchmark::State& state) {
    if (!useRepository(state, "p100")) {
        return;
    }
    boost::shared_ptr<PrinterReader> reader =
        PrinterReader::getReader(SystemRepository::getPrintersList().front());
    const wxString original = reader ? reader->getPortType() : wxString();
    reader.reset();
    for (auto _ : state) {
        wxString copy = original;
        benchmark::DoNotOptimize(copy);
    }
}

// ---- 4. Medias and modes ---------------------------------------------------

boost::shared_ptr<PrinterReader> bigPrinter(benchmark::State& state) {
    if (!useRepository(state, "m200")) {
        return nullptr;
    }
    boost::shared_ptr<PrinterReader> reader =
        PrinterReader::getReader(SystemRepository::getPrintersList().front());
    if (!reader) {
        state.SkipWithError("no reader");
    }
    return reader;
}

// The first listing of the medias of a freshly opened printer.
void BM_MediaListCold(benchmark::State& state) {
    if (!useRepository(state, "m200")) {
        return;
    }
    const wxString printer = SystemRepository::getPrintersList().front();
    std::size_t medias = 0;
    for (auto _ : state) {
        state.PauseTiming();
        PrinterCatalog::reset();
        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(printer);
        state.ResumeTiming();
        medias = 0;
        for (const auto& group : reader->getMediaList()) {
            medias += group.second.size();
        }
        state.PauseTiming();
        reader.reset();
        state.ResumeTiming();
    }
    state.counters["medias"] = static_cast<double>(medias);
}

void BM_MediaListWarm(benchmark::State& state) {
    boost::shared_ptr<PrinterReader> reader = bigPrinter(state);
    if (!reader) {
        return;
    }
    reader->getMediaList();
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader->getMediaList().size());
    }
}

// getMedia of every media once (the first lookup makes the repository).
void BM_GetMediaFirst(benchmark::State& state) {
    if (!useRepository(state, "m200")) {
        return;
    }
    const wxString printer = SystemRepository::getPrintersList().front();
    for (auto _ : state) {
        state.PauseTiming();
        PrinterCatalog::reset();
        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(printer);
        std::vector<std::pair<wxString, wxString>> names;
        for (const auto& group : reader->getMediaList()) {
            for (const auto& media : group.second) {
                names.emplace_back(group.first, media.first);
            }
        }
        state.ResumeTiming();
        for (const auto& name : names) {
            benchmark::DoNotOptimize(reader->getMedia(name.first, name.second));
        }
        state.PauseTiming();
        reader.reset();
        state.ResumeTiming();
        state.counters["medias"] = static_cast<double>(names.size());
    }
}

void BM_GetMediaWarm(benchmark::State& state) {
    boost::shared_ptr<PrinterReader> reader = bigPrinter(state);
    if (!reader) {
        return;
    }
    const auto& groups = reader->getMediaList();
    const wxString group = groups.rbegin()->first;
    const wxString media = groups.rbegin()->second.rbegin()->first;
    reader->getMedia(group, media);
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader->getMedia(group, media));
    }
}

void BM_GetModeWarm(benchmark::State& state) {
    boost::shared_ptr<PrinterReader> printer = bigPrinter(state);
    if (!printer) {
        return;
    }
    const auto& groups = printer->getMediaList();
    boost::shared_ptr<vexa::repos::printer::MediaRepository> media =
        printer->getMedia(groups.begin()->first, groups.begin()->second.begin()->first);
    printer.reset();
    boost::shared_ptr<vexa::repos::printer::MediaReader> reader =
        media ? media->getReader() : nullptr;
    if (!reader || reader->getModeList().empty()) {
        state.SkipWithError("no modes");
        return;
    }
    const wxString mode = reader->getModeList().rbegin()->first;
    reader->getMode(mode);
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader->getMode(mode));
    }
    state.counters["modes"] = static_cast<double>(reader->getModeList().size());
}

// ---- 5. Memory -------------------------------------------------------------

long residentBytes() {
    long pages = 0;
    long resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm != nullptr) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return resident * ::sysconf(_SC_PAGESIZE);
}

// Resident memory added per opened printer (readers dropped, repositories
// kept by the catalog as a host's are), in a new process, per byte of its
// settings file. The "time" reported is that ratio, so the summary can hold
// it against the limit. A fresh process, not a fork of this one: the heap
// left free by the benchmarks before would hide part of the growth.
void BM_MemoryPerPrinter(benchmark::State& state) {
    const std::string name = "p" + std::to_string(state.range(0));
    if (!useRepository(state, name)) {
        return;
    }
    const std::size_t bytes = settingsBytes(name);
    const double printers = static_cast<double>(SystemRepository::getPrintersList().size());
    double perPrinter = 0;
    for (auto _ : state) {
        perPrinter = inNewProcess("memory", name);
        if (perPrinter < 0) {
            state.SkipWithError("child failed");
            return;
        }
        state.SetIterationTime(perPrinter / (static_cast<double>(bytes) / printers));
    }
    state.counters["bytes_per_printer"] = perPrinter;
    state.counters["file_bytes"] = static_cast<double>(bytes) / printers;
}

double childMemory() {
    std::list<wxString> names = SystemRepository::getPrintersList();
    // Warm the allocator and the library's own statics first.
    PrinterReader::getReader(names.front());
    PrinterCatalog::reset();
    const long before = residentBytes();
    for (const wxString& printer : names) {
        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(printer);
        if (reader) {
            readEverything(*reader);
        }
    }
    return static_cast<double>(residentBytes() - before) / static_cast<double>(names.size());
}

// Every value a host reads of a media and of a mode. The media's cost
// settings are left out: reading them makes the file where it is missing
// (a benchmark must not change its data), and the library keeps nothing of
// them.
std::size_t readEverything(MediaReader& reader) {
    std::size_t touched =
        reader.getName().length() + reader.getNameLegacy().length() + reader.getGroup().length();
    touched += reader.getInkCfg() ? 1 : 0;
    touched += reader.getColorInfo() ? 1 : 0;
    touched += reader.getResScaleAdjust() ? 1 : 0;
    touched += reader.getPageSizes() ? 1 : 0;
    touched += reader.getPassInfo() ? 1 : 0;
    touched += static_cast<std::size_t>(reader.getLabelChannel());
    touched += reader.getDefaultMode().length() + reader.getJdfAlias().length();
    for (const wxChar* level : {wxT("High"), wxT("Normal"), wxT("Draft")}) {
        touched += reader.getJdfQualityMode(level).length();
    }
    touched += reader.isValid() ? 1 : 0;
    return touched + reader.getModeList().size();
}

std::size_t readEverything(ModeReader& reader) {
    std::size_t touched = reader.isValid() ? 1 : 0;
    touched += reader.getName().length() + reader.getLocation().length();
    touched += reader.getPattern().length() + reader.getResolution().length() +
               reader.getResolutionAlias().length();
    touched += reader.getInkCfg() ? 1 : 0;
    touched += reader.getInkLimits() ? 1 : 0;
    touched += reader.getTransCtrl() ? 1 : 0;
    touched += reader.getDropAdjust() ? 1 : 0;
    touched += reader.getInkCurves() ? 1 : 0;
    touched += reader.getLevelCurves() ? 1 : 0;
    touched += reader.getScreenSetups() ? 1 : 0;
    touched += reader.getResScaleAdjust() ? 1 : 0;
    touched += reader.getTableDefaults().size();
    touched += reader.getUserQualityAssessment() > 0 ? 1 : 0;
    const boost::shared_ptr<std::map<wxString, wxString>> options = reader.getPrinterOptions();
    return touched + (options ? options->size() : 0);
}

std::size_t fileSize(const std::string& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 ? static_cast<std::size_t>(status.st_size) : 0;
}

// The lines of /proc/self/maps: the process's memory mappings.
long mappings() {
    long lines = 0;
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        ++lines;
    }
    return lines;
}

// Resident memory a host adds by opening every printer, media and mode of
// the repository and reading every value (repositories kept, readers
// dropped), in a new process, per byte of the settings files it loaded: the
// "time" reported is that ratio. The mappings must stay a small constant
// whatever the number of printers (a mapping per printer or per table
// would run into the system's limit on large repositories).
void BM_MemoryEverything(benchmark::State& state) {
    const std::string name = "p" + std::to_string(state.range(0));
    if (!useRepository(state, name)) {
        return;
    }
    const double printers = static_cast<double>(SystemRepository::getPrintersList().size());
    std::vector<double> figures;
    for (auto _ : state) {
        figures = figuresInNewProcess("everything", name);
        if (figures.size() != 4 || figures[3] <= 0) {
            state.SkipWithError("child failed");
            return;
        }
        state.SetIterationTime(figures[0] / figures[3]);
    }
    const double added = figures[2] - figures[1];
    state.counters["resident_MB"] = figures[0] / 1e6;
    state.counters["settings_MB"] = figures[3] / 1e6;
    state.counters["mappings_before"] = figures[1];
    state.counters["mappings_after"] = figures[2];
    if (added > 16 + printers / 256) {
        state.SkipWithError(("memory mappings grow with the printers: " +
                             std::to_string(static_cast<long>(added)) + " new")
                                .c_str());
    }
}

// Opens the printer `name`, every media and every mode of it and reads
// every value; the readers are dropped, the repositories stay (the printer's
// in the catalog, the others in their owners' maps). Returns the bytes of the
// settings files loaded.
std::size_t openEverything(const wxString& name) {
    boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(name);
    if (!reader) {
        return 0;
    }
    readEverything(*reader);
    const std::string root = vexa::kernel::toMB(reader->getRootPath());
    std::size_t bytes = fileSize(root + "/.Settings.xml");
    for (const auto& group : reader->getMediaList()) {
        for (const auto& entry : group.second) {
            boost::shared_ptr<vexa::repos::printer::MediaRepository> media =
                reader->getMedia(group.first, entry.first);
            boost::shared_ptr<MediaReader> mediaReader = media ? media->getReader() : nullptr;
            if (!mediaReader) {
                continue;
            }
            readEverything(*mediaReader);
            const std::string folder = root + "/Medias/" + vexa::kernel::toMB(group.first) + "/" +
                                       vexa::kernel::toMB(entry.first);
            bytes += fileSize(folder + "/.Settings.xml");
            for (const auto& modeEntry : mediaReader->getModeList()) {
                boost::shared_ptr<vexa::repos::printer::ModeRepository> mode =
                    mediaReader->getMode(modeEntry.first);
                boost::shared_ptr<ModeReader> modeReader = mode ? mode->getReader() : nullptr;
                if (!modeReader) {
                    continue;
                }
                readEverything(*modeReader);
                bytes += fileSize(folder + "/Modes/" + vexa::kernel::toMB(modeEntry.first) +
                                  "/.Settings.xml");
            }
        }
    }
    return bytes;
}

// Prints the resident bytes added, the mappings before and after, and the
// settings bytes loaded.
void childEverything() {
    const std::list<wxString> names = SystemRepository::getPrintersList();
    // Warm the allocator and the library's own statics first.
    openEverything(names.front());
    PrinterCatalog::reset();
    const long before = residentBytes();
    const long mappingsBefore = mappings();
    std::size_t bytes = 0;
    for (const wxString& printer : names) {
        bytes += openEverything(printer);
    }
    const long after = residentBytes();
    const long mappingsAfter = mappings();
    std::printf("%ld %ld %ld %zu\n", after - before, mappingsBefore, mappingsAfter, bytes);
}

// A unit "time" of 1 second as the floor of the memory ratio.
void BM_FileSizeUnit(benchmark::State& state) {
    for (auto _ : state) {
        state.SetIterationTime(1.0);
    }
}

const int kSizes[] = {100, 1000, 2000};

void listingSizes(benchmark::internal::Benchmark* b) {
    for (int n : kSizes) {
        b->Arg(n);
    }
    b->Unit(benchmark::kMicrosecond);
}

// One run at each of the sizes, its "time" set by the benchmark itself (a
// ratio, figured in child processes).
template <int... sizes>
void oneRunAt(benchmark::internal::Benchmark* b) {
    for (int n : {sizes...}) {
        b->Arg(n);
    }
    b->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
}

void startupSizes(benchmark::internal::Benchmark* b) {
    for (int n : {100, 300, 1000, 2000}) {
        b->Arg(n);
    }
    b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
}

BENCHMARK(BM_BareReaddir)->Apply(listingSizes);
BENCHMARK(BM_ListPrinters)->Apply(listingSizes);
BENCHMARK(BM_SaxFloor)->Apply(startupSizes);
BENCHMARK(BM_LoadSameFiles)->Apply(startupSizes);
BENCHMARK(BM_LoadSameFilesWarm)->Arg(300)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupCold)->Apply(startupSizes);
BENCHMARK(BM_StartupVsSax)->Apply(oneRunAt<300, 1000, 2000>);
BENCHMARK(BM_StringCopy);
BENCHMARK(BM_WarmTextGetter);
BENCHMARK(BM_MediaListCold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MediaListWarm);
BENCHMARK(BM_GetMediaFirst)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetMediaWarm);
BENCHMARK(BM_GetModeWarm);
BENCHMARK(BM_FileSizeUnit)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_MemoryPerPrinter)->Apply(oneRunAt<100, 1000, 2000>);
BENCHMARK(BM_MemoryEverything)->Apply(oneRunAt<100, 300, 1000, 2000>);

}  // namespace

int main(int argc, char** argv) {
    wxInitializer initializer;
    wxLog::EnableLogging(false);
    if (argc == 3 && std::strncmp(argv[1], "--vexa-child=", 13) == 0) {
        ::setenv("VEXA_INSTALL", argv[2], 1);
        const std::string task = argv[1] + 13;
        if (task == "everything") {
            childEverything();
            return 0;
        }
        const double seconds = task == "startup"  ? childStartup()
                               : task == "memory" ? childMemory()
                               : task == "sax"    ? childSax(argv[2])
                                                  : childLoad(argv[2]);
        std::printf("%.9f\n", seconds);
        return 0;
    }
    std::vector<vexa::bench::Ratio> ratios;
    for (int n : kSizes) {
        const std::string arg = "/" + std::to_string(n);
        ratios.push_back({"BM_ListPrinters" + arg, "BM_BareReaddir" + arg, 3.0});
    }
    // The target: start-up and the floor taken in turn (see BM_StartupVsSax).
    for (int n : {300, 1000, 2000}) {
        ratios.push_back({"BM_StartupVsSax/" + std::to_string(n) + "/iterations:1/manual_time",
                          "BM_FileSizeUnit/iterations:1/manual_time", 5.0});
    }
    // For information: the same from the separate runs.
    for (int n : {100, 300, 1000, 2000}) {
        const std::string arg = "/" + std::to_string(n) + "/iterations:3/manual_time";
        ratios.push_back({"BM_StartupCold" + arg, "BM_SaxFloor" + arg, 0});
    }
    // For information: start-up against our own parse of the same files.
    for (int n : {100, 300, 1000, 2000}) {
        const std::string arg = "/" + std::to_string(n) + "/iterations:3/manual_time";
        ratios.push_back({"BM_StartupCold" + arg, "BM_LoadSameFiles" + arg, 0});
    }
    ratios.push_back(
        {"BM_StartupCold/300/iterations:3/manual_time", "BM_LoadSameFilesWarm/300/manual_time", 0});
    ratios.push_back({"BM_WarmTextGetter", "BM_StringCopy", 2.0});
    for (int n : {100, 1000, 2000}) {
        ratios.push_back({"BM_MemoryPerPrinter/" + std::to_string(n) + "/iterations:1/manual_time",
                          "BM_FileSizeUnit/iterations:1/manual_time", 8.0});
    }
    for (int n : {100, 300, 1000, 2000}) {
        ratios.push_back({"BM_MemoryEverything/" + std::to_string(n) + "/iterations:1/manual_time",
                          "BM_FileSizeUnit/iterations:1/manual_time", 4.0});
    }
    // Growth: 2,000 printers cost at most 2.3 times what 1,000 cost.
    ratios.push_back({"BM_ListPrinters/2000", "BM_ListPrinters/1000", 2.3});
    ratios.push_back({"BM_StartupCold/2000/iterations:3/manual_time",
                      "BM_StartupCold/1000/iterations:3/manual_time", 2.3});
    // Memory is measured per printer: twice the printers at 2.3 times the
    // total is 1.15 times per printer.
    ratios.push_back({"BM_MemoryPerPrinter/2000/iterations:1/manual_time",
                      "BM_MemoryPerPrinter/1000/iterations:1/manual_time", 1.15});
    return vexa::bench::runWithRatios(argc, argv, ratios);
}

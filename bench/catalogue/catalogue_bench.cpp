// Catalogue record sets and compaction, each beside a reference in the same run.
//
//   open_recordset_100k_100KB / _1KB   "Select * from Pictures ORDER BY PhotoDescription"
//                                      through db::Recordset (snapshot of the plain columns)
//   bare_sqlcipher_100k_100KB / _1KB   the same SQL stepped through by hand, every column read
//   compact_500MB / file_copy_500MB    compactDatabase beside read/write/fsync of the same file
//   move_layout_500MB                  the first open of the same records in the earlier layout
//                                      (pictures inside Pictures), which moves them to PictureBytes;
//                                      its MB/s beside compact_500MB's
//   text_edit/picture_bytes:N          Notes and PhotoDescription of a record with an N-byte picture
//                                      changed and saved through db::Recordset; file_growth_KB is
//                                      what all iterations together added to the file
//   read_picture_100KB                 a record's picture read whole through db::Recordset ...
//   read_picture_in_row_bare_100KB     ... beside the same bytes read by hand from the earlier
//                                      layout, where they sat inside the record's row
//
// Memory: heap_peak_MB is the peak of C++ allocations plus the engine's own allocator
// during one open, measured from the level before it; equal figures for 100 KB and
// 1 KB pictures show that no picture byte is read. maxrss_MB is the process's high-water
// mark so far (it only grows).
//
// Fixtures are made at the first use in a folder of their own under the temporary folder,
// removed when the program ends (one transaction, prepared statements, random picture
// bytes): 100,000 rows x 100 KB (~10 GB), 100,000 x 1 KB, 5,000 x 100 KB for the
// compaction and the picture reads, the same 5,000 in the earlier layout for the move,
// and one record of 100 MB and one of 1 KB for the text edits.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/db/compaction.h"
#include "platform/db/connection.h"
#include "platform/db/database_creation.h"
#include "platform/db/encrypted_file.h"
#include "platform/db/recordset.h"
#include "platform/sys/files.h"

// ---- heap accounting -----------------------------------------------------------------

namespace {
std::atomic<int64_t> gLive{0};
std::atomic<int64_t> gPeak{0};

void recordAllocation(size_t n) {
    const int64_t live = gLive += static_cast<int64_t>(n);
    int64_t peak = gPeak.load();
    while (live > peak && !gPeak.compare_exchange_weak(peak, live)) {}
}

void* counted(size_t n) {
    void* p = std::malloc(n + 16);
    if (!p) throw std::bad_alloc();
    *static_cast<size_t*>(p) = n;
    recordAllocation(n);
    return static_cast<char*>(p) + 16;
}

void uncounted(void* p) {
    if (!p) return;
    void* base = static_cast<char*>(p) - 16;
    gLive -= static_cast<int64_t>(*static_cast<size_t*>(base));
    std::free(base);
}

// Over-aligned blocks (the snapshot's huge pages) keep their size just before the block.
void* countedAligned(size_t n, std::align_val_t alignment) {
    const size_t align = std::max(static_cast<size_t>(alignment), size_t{16});
    void* base = std::aligned_alloc(align, (n + align + align - 1) / align * align);
    if (!base) throw std::bad_alloc();
    char* p = static_cast<char*>(base) + align;
    *reinterpret_cast<size_t*>(p - 16) = n;
    recordAllocation(n);
    return p;
}

void uncountedAligned(void* p, std::align_val_t alignment) {
    if (!p) return;
    const size_t align = std::max(static_cast<size_t>(alignment), size_t{16});
    gLive -= static_cast<int64_t>(*reinterpret_cast<size_t*>(static_cast<char*>(p) - 16));
    std::free(static_cast<char*>(p) - align);
}
}  // namespace

void* operator new(size_t n) { return counted(n); }
void* operator new[](size_t n) { return counted(n); }
void operator delete(void* p) noexcept { uncounted(p); }
void operator delete[](void* p) noexcept { uncounted(p); }
void operator delete(void* p, size_t) noexcept { uncounted(p); }
void operator delete[](void* p, size_t) noexcept { uncounted(p); }
void* operator new(size_t n, std::align_val_t a) { return countedAligned(n, a); }
void* operator new[](size_t n, std::align_val_t a) { return countedAligned(n, a); }
void operator delete(void* p, std::align_val_t a) noexcept { uncountedAligned(p, a); }
void operator delete[](void* p, std::align_val_t a) noexcept { uncountedAligned(p, a); }
void operator delete(void* p, size_t, std::align_val_t a) noexcept { uncountedAligned(p, a); }
void operator delete[](void* p, size_t, std::align_val_t a) noexcept { uncountedAligned(p, a); }

namespace {

// The engine counts its own allocations only when asked before it starts.
const bool kEngineCountsMemory = [] { return sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 1) == SQLITE_OK; }();

constexpr const char* kPassword = "480517362904";
constexpr const char* kSortedStatement = "Select * from Pictures ORDER BY PhotoDescription";

// The catalogue's shape: the record's fields in Pictures, its picture in PictureBytes.
const std::vector<std::string> kSchema = {
    "CREATE TABLE Pictures (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
    "PhotoDescription TEXT NOT NULL UNIQUE COLLATE NOCASE, Date DATE, Category TEXT, PhotoXtent TEXT, "
    "PhotoSize INTEGER, Description TEXT, Notes TEXT, WorkPhone TEXT, Location TEXT, Phone TEXT, Email TEXT, "
    "Address TEXT, City TEXT, State TEXT, Zip TEXT, IDUs TEXT, Company TEXT, Gender TEXT, MaritalSt TEXT, "
    "Height TEXT, Weight TEXT, DOB TEXT, Education TEXT)",
    "CREATE TABLE PictureBytes (ID INTEGER PRIMARY KEY, Photo BLOB)",
};
// The earlier layout: the picture last in the record's row.
const std::vector<std::string> kEarlierSchema = {
    "CREATE TABLE Pictures (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
    "PhotoDescription TEXT NOT NULL UNIQUE COLLATE NOCASE, Date DATE, Category TEXT, PhotoXtent TEXT, "
    "PhotoSize INTEGER, Description TEXT, Notes TEXT, WorkPhone TEXT, Location TEXT, Phone TEXT, Email TEXT, "
    "Address TEXT, City TEXT, State TEXT, Zip TEXT, IDUs TEXT, Company TEXT, Gender TEXT, MaritalSt TEXT, "
    "Height TEXT, Weight TEXT, DOB TEXT, Education TEXT, Photo BLOB)",
};

enum class Layout { Current, Earlier };

// About 11 GB of fixtures must not outlive the run.
class DataFolder {
public:
    DataFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillmere-bench-catalogue.XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make the fixture folder");
        path_ = pattern;
    }
    ~DataFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const std::string& dataFolder() {
    static const DataFolder folder;
    return folder.path();
}

double megabytes(double bytes) { return bytes / 1e6; }

double maxRssMB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1e3;
}

// Makes the fixture when missing: written under a temporary name, renamed when whole.
std::string catalogue(int rows, int pictureBytes, Layout layout = Layout::Current) {
    const std::string path = dataFolder() + "/pictures_" + std::to_string(rows) + "x" +
                             std::to_string(pictureBytes) + (layout == Layout::Earlier ? "_earlier" : "") + ".mdb";
    if (sys::fileExists(path)) return path;
    const std::string temporary = path + ".building";
    std::filesystem::remove(temporary);
    std::fprintf(stderr, "making %s ...\n", path.c_str());
    const auto start = std::chrono::steady_clock::now();
    const bool earlier = layout == Layout::Earlier;
    db::createDatabase(temporary, kPassword, earlier ? kEarlierSchema : kSchema);
    {
        // Written by hand, not through a Connection, whose open would move an earlier layout.
        sqlite3* h = db::detail::openExisting(temporary, kPassword);
        sqlite3_exec(h, "PRAGMA synchronous = OFF; PRAGMA journal_mode = OFF; BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_stmt* bytes = nullptr;
        sqlite3_prepare_v2(h,
                           earlier ? "INSERT INTO Pictures (PhotoDescription, Date, Category, PhotoXtent, PhotoSize, "
                                     "Notes, Photo) VALUES (?1, '2024-05-01', ?2, 'JPG', ?3, ?4, ?5)"
                                   : "INSERT INTO Pictures (PhotoDescription, Date, Category, PhotoXtent, PhotoSize, "
                                     "Notes) VALUES (?1, '2024-05-01', ?2, 'JPG', ?3, ?4)",
                           -1, &insert, nullptr);
        sqlite3_prepare_v2(h, "INSERT INTO PictureBytes (ID, Photo) VALUES (last_insert_rowid(), ?1)", -1, &bytes,
                           nullptr);
        std::vector<uint64_t> picture((static_cast<size_t>(pictureBytes) + 7) / 8);
        uint64_t state = 0x243F6A8885A308D3ull;
        char name[64], notes[64];
        for (int i = 0; i < rows; ++i) {
            for (auto& w : picture) {
                state ^= state << 13, state ^= state >> 7, state ^= state << 17;
                w = state;
            }
            // Names in an order unrelated to the key, so that sorting has work to do.
            std::snprintf(name, sizeof name, "Picture %07lld", static_cast<long long>((int64_t{i} * 7919) % rows));
            std::snprintf(notes, sizeof notes, "imported from folder %d", i % 97);
            sqlite3_bind_text(insert, 1, name, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, i % 3 ? "Holiday" : "Family", -1, SQLITE_STATIC);
            sqlite3_bind_int(insert, 3, pictureBytes);
            sqlite3_bind_text(insert, 4, notes, -1, SQLITE_TRANSIENT);
            sqlite3_bind_blob(earlier ? insert : bytes, earlier ? 5 : 1, picture.data(), pictureBytes,
                              SQLITE_STATIC);
            for (sqlite3_stmt* stmt : {insert, earlier ? nullptr : bytes}) {
                if (!stmt) continue;
                if (sqlite3_step(stmt) != SQLITE_DONE) {
                    std::fprintf(stderr, "insert failed: %s\n", sqlite3_errmsg(h));
                    std::exit(1);
                }
                sqlite3_reset(stmt);
            }
        }
        sqlite3_finalize(insert);
        sqlite3_finalize(bytes);
        sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(h);
    }
    sys::renameFile(temporary, path);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "made %s: %.0f MB in %.1f s\n", path.c_str(), megabytes(sys::fileSize(path)), seconds);
    return path;
}

// One shared connection per fixture for the whole run: key derivation is not what the
// open benchmarks measure (key_derivation below shows its cost).
db::Connection& connectionTo(const std::string& path) {
    static std::map<std::string, std::unique_ptr<db::Connection>> open;
    auto& c = open[path];
    if (!c) {
        c = std::make_unique<db::Connection>(db::Connection::openFile(path, kPassword));
        // One untimed pass, so that both roads start from the same page cache.
        db::Recordset warm;
        warm.open(c->share(), kSortedStatement);
    }
    return *c;
}

struct MemoryWindow {
    MemoryWindow() {
        gPeak = gLive.load();
        base = gLive.load();
        sqliteBase = sqlite3_memory_used();
        sqlite3_memory_highwater(1);
    }
    double peakMB() const {
        return megabytes(static_cast<double>(gPeak.load() - base) +
                         static_cast<double>(sqlite3_memory_highwater(0) - sqliteBase));
    }
    int64_t base;
    int64_t sqliteBase;
};

void openRecordset(benchmark::State& state) {
    const std::string path = catalogue(100000, static_cast<int>(state.range(0)) * 1000);
    db::Connection& c = connectionTo(path);
    double peak = 0;
    size_t snapshotBytes = 0;
    long rows = 0;
    for (auto _ : state) {
        MemoryWindow window;
        db::Recordset rs;
        rs.open(c.share(), kSortedStatement, db::CursorLocation::Server);
        rows = rs.recordCount();
        snapshotBytes = rs.memoryBytes();
        peak = std::max(peak, window.peakMB());
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["engine_counted"] = kEngineCountsMemory;
    state.counters["snapshot_MB"] = megabytes(static_cast<double>(snapshotBytes));
    state.counters["heap_peak_MB"] = peak;
    state.counters["maxrss_MB"] = maxRssMB();
}

void bareSqlcipher(benchmark::State& state) {
    const std::string path = catalogue(100000, static_cast<int>(state.range(0)) * 1000);
    db::Connection& c = connectionTo(path);
    std::string sql;
    {
        db::Recordset rs;
        rs.open(c.share(), kSortedStatement);
        sql = rs.snapshotSql();
    }
    double peak = 0;
    long rows = 0;
    for (auto _ : state) {
        MemoryWindow window;
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(c.handle(), sql.c_str(), -1, &stmt, nullptr);
        const int columns = sqlite3_column_count(stmt);
        uint64_t sum = 0;
        rows = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int i = 0; i < columns; ++i) {
                switch (sqlite3_column_type(stmt, i)) {
                case SQLITE_INTEGER: sum += static_cast<uint64_t>(sqlite3_column_int64(stmt, i)); break;
                case SQLITE_TEXT:
                    sum += reinterpret_cast<uintptr_t>(sqlite3_column_text(stmt, i)) & 1;
                    sum += static_cast<uint64_t>(sqlite3_column_bytes(stmt, i));
                    break;
                default: break;
                }
            }
            ++rows;
        }
        sqlite3_finalize(stmt);
        peak = std::max(peak, window.peakMB());
        benchmark::DoNotOptimize(sum);
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["heap_peak_MB"] = peak;
    state.counters["maxrss_MB"] = maxRssMB();
}

void keyDerivation(benchmark::State& state) {
    const std::string path = catalogue(5000, 100000);
    for (auto _ : state) {
        db::Connection c = db::Connection::openFile(path, kPassword);
        benchmark::DoNotOptimize(c.handle());
    }
}

void compact(benchmark::State& state) {
    const std::string path = catalogue(5000, 100000);
    const std::string destination = dataFolder() + "/compacted.mdb";
    std::filesystem::remove(destination);
    for (auto _ : state) {
        db::compactDatabase(path, destination, kPassword);
        state.PauseTiming();
        std::filesystem::remove(destination);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(sys::fileSize(path)));
}

void fileCopy(benchmark::State& state) {
    const std::string path = catalogue(5000, 100000);
    const std::string destination = dataFolder() + "/copied.mdb";
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        std::FILE* in = std::fopen(path.c_str(), "rb");
        std::FILE* out = std::fopen(destination.c_str(), "wb");
        size_t n;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) std::fwrite(buffer.data(), 1, n, out);
        std::fflush(out);
        ::fsync(fileno(out));
        std::fclose(out);
        std::fclose(in);
        state.PauseTiming();
        std::filesystem::remove(destination);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(sys::fileSize(path)));
}

void moveLayout(benchmark::State& state) {
    const std::string earlier = catalogue(5000, 100000, Layout::Earlier);
    const std::string work = dataFolder() + "/moving.mdb";
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(work);
        std::filesystem::copy_file(earlier, work);
        state.ResumeTiming();
        db::Connection::openFile(work, kPassword).close();
    }
    state.counters["file_after_MB"] = megabytes(static_cast<double>(sys::fileSize(work)));
    std::filesystem::remove(work);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(sys::fileSize(earlier)));
}

void textEdit(benchmark::State& state) {
    const std::string path = catalogue(1, static_cast<int>(state.range(0)));
    db::Recordset rs;
    rs.open(db::Connection::openFile(path, kPassword), "Select * from Pictures", db::CursorLocation::Server);
    const auto before = sys::fileSize(path);
    int64_t n = 0;
    for (auto _ : state) {
        const std::string text = "edit " + std::to_string(n++ % 7);
        rs.field("Notes").setValue(text);
        rs.field("PhotoDescription").setValue("Picture " + text);
        rs.update();
    }
    state.counters["file_growth_KB"] = static_cast<double>(sys::fileSize(path) - before) / 1e3;
}

// The same records, picked in a fixed scattered order on both sides.
int64_t scatteredKey(int64_t i) { return 1 + (i * 7919) % 5000; }

void readPicture(benchmark::State& state) {
    const std::string path = catalogue(5000, 100000);
    // A connection of its own: the compaction of the same file needs every one closed.
    db::Recordset rs;
    rs.open(db::Connection::openFile(path, kPassword), "Select * from Pictures", db::CursorLocation::Server);
    int64_t i = 0, bytes = 0;
    for (auto _ : state) {
        rs.setAbsolutePosition(static_cast<long>(scatteredKey(i++)));
        const db::Bytes picture = rs.field("Photo").getChunk(rs.field("PhotoSize").value().integer());
        bytes += static_cast<int64_t>(picture.size());
    }
    state.SetBytesProcessed(bytes);
}

void readPictureInRowBare(benchmark::State& state) {
    const std::string path = catalogue(5000, 100000, Layout::Earlier);
    sqlite3* h = db::detail::openExisting(path, kPassword);
    std::vector<uint8_t> picture;
    int64_t i = 0, bytes = 0;
    for (auto _ : state) {
        sqlite3_blob* blob = nullptr;
        sqlite3_blob_open(h, "main", "Pictures", "Photo", scatteredKey(i++), 0, &blob);
        picture.resize(static_cast<size_t>(sqlite3_blob_bytes(blob)));
        sqlite3_blob_read(blob, picture.data(), static_cast<int>(picture.size()), 0);
        sqlite3_blob_close(blob);
        bytes += static_cast<int64_t>(picture.size());
    }
    sqlite3_close(h);
    state.SetBytesProcessed(bytes);
}

}  // namespace

BENCHMARK(openRecordset)->Name("open_recordset_100k")->Arg(100)->Arg(1)->ArgName("picture_KB")->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(bareSqlcipher)->Name("bare_sqlcipher_100k")->Arg(100)->Arg(1)->ArgName("picture_KB")->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(keyDerivation)->Name("key_derivation")->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(compact)->Name("compact_500MB")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(fileCopy)->Name("file_copy_500MB")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(moveLayout)->Name("move_layout_500MB")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(textEdit)
    ->Name("text_edit")
    ->Arg(100000000)
    ->Arg(1000)
    ->ArgName("picture_bytes")
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(50);
BENCHMARK(readPicture)->Name("read_picture_100KB")->Unit(benchmark::kMicrosecond)->Iterations(2000);
BENCHMARK(readPictureInRowBare)
    ->Name("read_picture_in_row_bare_100KB")
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(2000);

/*
 * tonekit: the audio library of Sonavert.
 *
 * The whole public interface: plain C functions, records and callback types.
 * Narrow text is UTF-8, wide text is UTF-16 (uint16_t units). Buffers that the
 * library hands over are allocated with calloc and released by the receiver with
 * free. Texts returned by the text helpers live in per-thread result rings inside
 * the library and are never freed by the caller.
 */
#ifndef TONEKIT_H
#define TONEKIT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Every export is declared with TK_EXPORT; the build derives the list of visible
 * symbols from these declarations. */
#define TK_EXPORT __attribute__((visibility("default")))

/* ---- Records ------------------------------------------------------------ */

/* Description of an open WAV input, one per reader slot, owned by the library. */
typedef struct WavInfo {
    uint32_t sampleRate;    /* frames per second */
    uint32_t bitsPerSample; /* sample width in bits */
    uint32_t channels;      /* channel count */
    uint32_t dataOffset;    /* absolute file offset of the first data byte */
    uint32_t dataBytes;     /* payload size declared by the data chunk */
    uint32_t blockAlign;    /* bytes per frame */
    uint16_t formatTag;     /* format code (1 = integer PCM) */
} WavInfo;

/* A block of PCM frames. Output blocks are calloc'ed by the library; the caller
 * releases `data` with free. */
typedef struct AudioBlock {
    uint8_t* data;
    uint32_t bytes;
    uint32_t frameBytes;
} AudioBlock;

/* The 18-byte PCM format record of a decoded stream (byte-packed). */
#pragma pack(push, 1)
typedef struct WaveFormatEx {
    uint16_t formatTag; /* 1 = integer PCM */
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    uint16_t extraSize;
} WaveFormatEx;
#pragma pack(pop)

/* ---- Callback types ----------------------------------------------------- */

/* Progress: percent 0-100 of the work done (-1 once before a decode or rip
 * starts). A non-zero result asks the operation to stop; it still finalises
 * its output. */
typedef int32_t (*ProgressCallback)(int32_t percent);

/* Per-frame hook of the block converters; may change the stereo frame in place.
 * ConvertAudioBufferAlign passes an int16_t[2] (left, right); the rate
 * converter behind ResampleWAV passes a double[2] (left, right) at full scale 1.0. */
typedef void (*SampleHook)(void* frame);

/* Called for every file met by SearchFiles. The texts are valid only during the
 * call. A non-zero result ends the listing of the current folder. */
typedef int32_t (*SearchFilesCallback)(const char* path, const char* folder, const char* name,
                                       int32_t matches);

/* Fills one playback buffer (16-bit stereo frames at the device rate) on the
 * device's audio thread. */
typedef void (*FillCallback)(void* buffer);

/* An open playback device. */
typedef void* WaveOutHandle;

/* Called by WaitTime with the remaining milliseconds; non-zero ends the wait. */
typedef int32_t (*WaitCallback)(int32_t remainingMs);

/* ---- WAV files (reader slots 0-9) --------------------------------------- */

/* Threads: a slot is used by one thread at a time; different slots may be used
 * on different threads at once. */

TK_EXPORT WavInfo* OpenWAV(const char* fileName, int32_t slot);
TK_EXPORT int32_t ReadWAV(int32_t slot, int32_t byteCount, char* buffer);
TK_EXPORT int32_t SeekWAV(int32_t slot, uint32_t position);
TK_EXPORT void CloseWAV(int32_t slot);
TK_EXPORT int32_t CreateWAVHeader(const char* fileName, int32_t sampleRate, int32_t bitsPerSample,
                                  int32_t channels);

/* ---- Sample-format conversion and filters ------------------------------- */

/* Threads: any number at once on any threads (all state is the caller's). */

TK_EXPORT void ConvertAudioBufferAlign(const AudioBlock* in, AudioBlock* out, int32_t inBits,
                                       int32_t outBits, int32_t inChannels, int32_t outChannels,
                                       SampleHook hook);
/* state: 48 doubles, zeroed before a stream. */
TK_EXPORT double AudioFilter(double x, double frequency, double damping, double gain,
                             int32_t sampleRate, int32_t type, int32_t stages, int32_t invert,
                             double* state);
TK_EXPORT double lin2log(double value, double range, int32_t flags);

/* ---- WAV file resampling ------------------------------------------------- */

/* Threads: keeps a reader of its own, so any number may run at once on
 * different threads (each to its own destination); the slots are not touched. */

/* Returns destPath, or null when nothing usable could be written (also when
 * the source's rate and `rate` lie more than 256 times apart). */
TK_EXPORT const char* ResampleWAV(const char* sourcePath, const char* destPath, uint32_t rate,
                                  int32_t bits, int32_t channels, int32_t keepRate,
                                  ProgressCallback progress, SampleHook hook, int32_t filter);

/* ---- Compressed-audio reader (shares the reader slots) -------------------- */

/* Threads: a slot is used by one thread at a time, whether opened with OpenWAV
 * or OpenWMA; different slots may be used on different threads at once. */

/* Times and durations are in 100-ns units. Returns 1, or 0 on failure. */
TK_EXPORT int32_t OpenWMA(int32_t slot, const char* fileName, uint64_t startTime,
                          uint64_t* duration);
/* As OpenWMA, but every file goes to the media decoder, a WAV file too (one
 * the WAV reader refuses: 24-bit, floating point, many channels, ...). */
TK_EXPORT int32_t OpenMedia(int32_t slot, const char* fileName, uint64_t startTime,
                            uint64_t* duration);
/* Why the media decoder last failed to open a file on this thread, in
 * FFmpeg's words where FFmpeg failed; "" when the last open succeeded. */
TK_EXPORT const char* MediaError(void);
TK_EXPORT const WaveFormatEx* GetFormatWMA(int32_t slot);
/* The next block of 44,100 Hz 16-bit stereo PCM (calloc'ed; the caller frees
 * *data). Returns the percentage played, or -1 at the end. */
TK_EXPORT int32_t ReadWMA(int32_t slot, char** data, int32_t* bytes, uint64_t* time, double speed);
TK_EXPORT void CloseWMA(int32_t slot);

/* ---- Encoding and decoding whole files (0 on success, -1 on failure) ------ */

/* Threads: each conversion keeps its own reader and files, so conversions may
 * run at once on different threads, each to its own destination; the slots are
 * not touched. A destination that is the source (by any path or link), or not
 * a regular file or a new name, is refused. */

/* bitrate in kbit/s; the source's 16-bit stereo PCM starts at offset 44. */
TK_EXPORT int32_t WAV2MP3(const char* source, const char* destination, int32_t bitrate,
                          int32_t sampleRate, ProgressCallback progress);
/* bitrate 64 selects the 64 kbit/s profile, any other value 128 kbit/s. */
TK_EXPORT int32_t WAV2WMA(const char* source, const char* destination, int32_t bitrate,
                          ProgressCallback progress);
TK_EXPORT int32_t WMA2WAV(const char* source, const char* destination, ProgressCallback progress);
/* As WMA2WAV, but every file goes to the media decoder, a WAV file too. */
TK_EXPORT int32_t MEDIA2WAV(const char* source, const char* destination, ProgressCallback progress);

/* ---- Playback device --------------------------------------------------------- */

/* Threads: one device open at a time, opened and closed on one thread; the fill
 * callback runs on the device's own audio thread. */

/* Opens (handle null: returns the device, or null) or closes (returns null once
 * every buffer came back) the playback device. deviceId -1 is the default. */
TK_EXPORT WaveOutHandle CreateWaveOut(int32_t sampleRate, int32_t bufferBytes, int32_t bufferCount,
                                      int32_t deviceId, FillCallback fill, WaveOutHandle handle);
/* One cosine sample; advances *phase (degrees). */
TK_EXPORT double SineWave(int32_t sampleRate, double frequency, double amplitude, double* phase);

/* ---- Polyphase resampler ------------------------------------------------------ */

/* Threads: a state belongs to one thread at a time; different states may run
 * at once. */

typedef struct ResamplerState ResamplerState;

/* One of the four processing routines (mono/stereo x exact/interpolating):
 * walks the output centres from start to end of `input` (16-bit values) and
 * returns the number of values written to `output`. */
typedef int32_t (*ResamplerProcess)(ResamplerState* state, const int16_t* input, int32_t start,
                                    int32_t end, int16_t* output);

/* The state of one resampler stream. Row positions point into `filter`; the
 * delta triples are (backward row, forward row, input) in 16-bit elements. */
struct ResamplerState {
    uint32_t phases;       /* L */
    uint32_t step;         /* M: phases advanced per output (integer part) */
    int32_t channels;      /* 1 mono, 2 interleaved stereo */
    int32_t taps;          /* T: taps per wing per phase */
    int32_t historyLength; /* H, in 16-bit values */
    int32_t startOffset;   /* H - channels * (T - 1) */
    int32_t carry;         /* next centre beyond the last range, in 16-bit values */
    uint32_t fracAccum;    /* 0.32 fractional phase accumulator */
    uint32_t fracStep;     /* 0.32 fractional part of the step; 0 when exact */
    int16_t* history;      /* 2 * H values */
    int16_t* filter;       /* L rows of S = T rounded up to even Q15 coefficients */
    int16_t* backRow;      /* row p: the backward wing */
    int16_t* foreRow;      /* row L - 1 - p: the forward wing */
    int16_t* stepWrapRow;  /* start of row L - (M mod L) */
    int32_t stepNoWrap[3];
    int32_t stepWrap[3];
    int16_t* nextWrapRow; /* start of row L - (1 mod L) */
    int32_t nextNoWrap[3];
    int32_t nextWrap[3];
    ResamplerProcess process;
};

/* Null when the rates are equal or zero, one is more than 256 times the other,
 * or filterType is outside 0-3. */
TK_EXPORT ResamplerState* InitResampler(uint32_t inputRate, uint32_t outputRate, int32_t channels,
                                        int32_t filterType);
/* count: 16-bit values, whole frames (a trailing partial frame is ignored).
 * output needs room for channels * ceil((count / channels) * L / M) values.
 * Returns the number of values written. */
TK_EXPORT int32_t Resample(const int16_t* input, int32_t count, int16_t* output,
                           ResamplerState* state);
/* Releases the coefficient table, the history and the state; null is ignored. */
TK_EXPORT void FreeResampler(ResamplerState* state);
/* A new (calloc'ed) table of L rows; *taps receives T. */
TK_EXPORT int16_t* MakeFilter(int32_t phases, int32_t step, int32_t filterType, uint32_t* taps);
TK_EXPORT int32_t Interpolate(const int32_t* source, int32_t sourceCount, int32_t* destination,
                              int32_t destinationCount, int32_t gain);
TK_EXPORT int32_t mulhi(int32_t a, int32_t b);
TK_EXPORT uint32_t udivhi(uint32_t a, uint32_t b);
TK_EXPORT uint32_t gcd(uint32_t a, uint32_t b);
/* Parenthesised so that MIN/MAX macros of other headers cannot expand them. */
/* clang-format off */
TK_EXPORT uint32_t (MIN)(uint32_t a, uint32_t b);
TK_EXPORT uint32_t (MAX)(uint32_t a, uint32_t b);
/* clang-format on */

/* ---- CD audio -------------------------------------------------------------------- */

/* Threads: one call at a time (the drives and their handles are shared). */

/* Rips the track named by its path under a drive root (/dev/sr0/Track03.cda)
 * into a 44,100 Hz 16-bit stereo WAV file. Returns non-zero when the output
 * was written and closed properly; a rip that read nothing leaves 44 bytes. */
TK_EXPORT int32_t CDtoWAV(const char* trackPath, const char* outputPath, int32_t attempt,
                          ProgressCallback progress);
/* Reports the track file of every audio track of every disc found (folder =
 * the drive root, matches = 1); returns the number reported. */
TK_EXPORT int32_t SearchCDTracks(SearchFilesCallback callback);

/* ---- Text and number helpers --------------------------------------------- */

/* Threads: any thread; each thread has its own result rings. */

TK_EXPORT char* mids(const char* text, int32_t start, int32_t count, int32_t fromEnd);
TK_EXPORT char* rights(const char* text, int32_t n);
TK_EXPORT char* cuts(const char* text, int32_t n);
TK_EXPORT char* strslash(const char* path);
TK_EXPORT char* strrslash(const char* path);
TK_EXPORT char* strcatmany(const char* a, const char* b, const char* c, const char* d,
                           const char* e);
TK_EXPORT char* dw2sz(int32_t value);
TK_EXPORT char* lzdw2sz(int32_t value, int32_t digits);
TK_EXPORT char* fp2sz(double value, int32_t decimals);
TK_EXPORT double percent(double part, double whole);
TK_EXPORT char* nanosec2time(int64_t duration);
TK_EXPORT uint16_t* sz2wide(const char* text);
TK_EXPORT char* wide2sz(const uint16_t* wtext);
TK_EXPORT int32_t FileSize(const char* path);
TK_EXPORT int32_t WaitTime(uint32_t milliseconds, WaitCallback callback);

/* ---- Window helpers (Qt 6 Widgets) ---------------------------------------- */

/* Threads: the thread that runs the QApplication only.
 *
 * Handles are Qt objects behind opaque pointers:
 *   TkWindow       QWidget*: a window or dialog. Its items are the child widgets
 *                  whose dynamic property "controlId" holds the item id.
 *   TkInstance     const char*: the Qt resource folder of the calling program
 *                  (":/sonavert"). Its picture N is the resource <folder>/N.png,
 *                  its JPEG picture N the resource <folder>/N.jpg.
 *   TkFont         QFont*, owned by the caller.
 *   TkToolTip      QObject*: the caller's tool-tip controller. AddToolTip installs
 *                  it as the item's event filter, so it decides whether tips show.
 *   TkImageList    QIcon*, made by BitmapButtonXP; the caller deletes it.
 *   TkBitmap       QPixmap*, made by LoadResourceJpeg; the caller deletes it.
 *   TkDrawContext  QPainter*, active on a raster paint device (QImage, QPixmap).
 * Colours are 0x00BBGGRR. Folder paths end in '/'. */

typedef void* TkWindow;
typedef const char* TkInstance;
typedef void* TkFont;
typedef void* TkToolTip;
typedef void* TkImageList;
typedef void* TkBitmap;
typedef void* TkDrawContext;

/* Receives one chosen file's full path; its result is ignored. */
typedef int32_t (*FileNameCallback)(const char* path);

/* filter: pairs of a description and a pattern list ("*.wav;*.mp3"), each
 * NUL-terminated, ended by an empty text. Null when cancelled. Single
 * selection: the chosen path. Multiple selection, one file: the callback gets
 * its path and the result is " ". Several files: the callback gets folder +
 * name for each, and the result is the folder, NUL, each name NUL-terminated,
 * then an empty text. With listBoxId, each path is also added to that list
 * unless it already holds exactly that path. Results live in a library buffer
 * that the next call overwrites. */
TK_EXPORT const char* GetOpenFilenames(TkWindow owner, int32_t multiSelect, const char* title,
                                       const char* initialFolder, const char* filter,
                                       int32_t listBoxId, FileNameCallback callback);
/* The chosen folder ending in '/', or null when cancelled or when a chooser of
 * this helper is already open. displayName (260 bytes, or null) receives the
 * folder's own name; the chooser opens in the folder it holds on entry, when
 * that exists, else in the home folder. */
TK_EXPORT char* BrowseForFolder(const char* title, char* displayName);
/* The item's text, at most 259 bytes, in a library buffer. */
TK_EXPORT char* wmGetText(TkWindow dialog, int32_t itemId);
/* Deletes every selected entry of a list. Returns 0. */
TK_EXPORT int32_t LBDeleteSelected(TkWindow dialog, int32_t listBoxId);
/* items: NUL-terminated texts ended by an empty text. With adjust, the drop-down
 * list is limited to dropHeight pixels and entry `selection` is selected; the
 * result is then the selected index, or -1. */
TK_EXPORT int32_t AddComboStrings(TkWindow dialog, int32_t comboId, const char* items,
                                  int32_t adjust, int32_t dropHeight, int32_t selection);
/* Ids of 0 are skipped. */
TK_EXPORT void EnableWindows10(TkWindow dialog, int32_t enable, int32_t id1, int32_t id2,
                               int32_t id3, int32_t id4, int32_t id5, int32_t id6, int32_t id7,
                               int32_t id8, int32_t id9, int32_t id10);
TK_EXPORT void SetFonts10(TkWindow dialog, int32_t id1, int32_t id2, int32_t id3, int32_t id4,
                          int32_t id5, int32_t id6, int32_t id7, int32_t id8, int32_t id9,
                          int32_t id10, TkFont font);
/* Gives the item its tip (also its accessible description). */
TK_EXPORT void AddToolTip(TkWindow dialog, TkToolTip toolTip, int32_t itemId, const char* text);
/* Puts picture bitmapId on the button: align 0 left, 1 right, 2 top, 3 bottom,
 * 4 centre (beside the caption); maskColour is made transparent. */
TK_EXPORT TkImageList BitmapButtonXP(TkInstance instance, TkWindow dialog, int32_t bitmapId,
                                     int32_t buttonId, int32_t width, int32_t height,
                                     int32_t marginLeft, int32_t marginTop, int32_t align,
                                     uint32_t maskColour, TkFont font);
/* The JPEG picture resourceId at the window's screen resolution (96 dpi when
 * window is null); null when the picture is missing. */
TK_EXPORT TkBitmap LoadResourceJpeg(TkInstance instance, TkWindow window, int32_t resourceId);
/* Fills left..right-1 x top..bottom-1 and outlines it. mode 0 copy, 1 and,
 * 2 or, 3 xor; other values are raster-operation codes 1-16 (R2_*). penStyle
 * 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 none, 6 inside frame. */
TK_EXPORT void DrawSolidRectangle(TkDrawContext dc, int32_t left, int32_t top, int32_t right,
                                  int32_t bottom, int32_t penWidth, int32_t penStyle,
                                  uint32_t penColour, uint32_t fillColour, int32_t mode);
/* Writes the launcher <desktop>/<name>.desktop for target, only when the
 * user's desktop folder exists. 0 when written or no desktop folder, -1 when
 * it could not be written. */
TK_EXPORT int32_t CreateDesktopShortcut(TkWindow owner, const char* name, const char* target);

/* ---- Recursive file search ------------------------------------------------ */

/* Threads: any number at once; the callback runs on the calling thread. */

/* types: three-letter codes at every fourth position ("WAV,MP3,WMA,"), or "*.*".
 * Returns -1 when folder cannot be listed, otherwise 1. */
TK_EXPORT int32_t SearchFiles(const char* folder, const char* types, SearchFilesCallback callback,
                              int32_t noRecurse);

#ifdef __cplusplus
}
#endif

#endif /* TONEKIT_H */

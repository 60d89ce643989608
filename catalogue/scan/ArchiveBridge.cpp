// The archive listing bridge.
#include "catalogue/scan/ArchiveBridge.h"

#include "archive/arxArxon.h"
#include "archive/arxMessages.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "platform/DateTime.h"
#include "platform/Text.h"

namespace sorvane {
namespace {

constexpr char kBlockMark = 31;
constexpr char kEntrySeparator = 30;
constexpr std::size_t kMaxNameChars = 256;
constexpr std::uint32_t kEpochDosDate = 2'162'688; // 1980-01-01 00:00

std::uint32_t StoredDosDate(std::uint32_t dos) {
    const std::optional<DateTime> when = DosDateToDateTime(dos);
    if (!when) return kEpochDosDate;
    return DateTimeToDosDate(*when).value_or(kEpochDosDate);
}

} // namespace

std::string LineaAnidado(const std::string& name, std::uint32_t dosDate, std::uint64_t size,
                         std::uint32_t attributes) {
    const std::string clean = LimpiaControles(name);
    std::string entry = CodificaFecha(StoredDosDate(dosDate));
    entry += CodificaTamano(size);
    entry += CodificaAtributos(attributes);
    entry += text::FirstChars(clean, kMaxNameChars);
    return entry;
}

void ArchiveBridge::ArxonNextVolume(TZipCommon&, std::string&, int, bool, bool& cancel) {
    cancel = true;
}

void ArchiveBridge::LogFailure(const std::string& path, const std::string& message) {
    if (failureLogged_) return;
    failureLogged_ = true;
    observer_.ListingError(CapitalizeFirst(InternalErrorWord()) + " MontaArx: " + path + " / " +
                           message);
}

void ArchiveBridge::ArxonRead(TArxon& sender) {
    // A member reported after the walk left the named volume, or after it
    // asked for the next one, is not part of that volume's listing.
    if (volumeAsked_ || sender.Walk.VolumeChanges > 0) {
        sender.SetCancel(true);
        return;
    }
    observer_.ShowMember(sender.FileName);
    try {
        const std::uint32_t dos = DateTimeToDosDate(sender.FileDate).value_or(kEpochDosDate);
        const std::uint64_t size =
            sender.UnpackedSize < 0 ? 0 : static_cast<std::uint64_t>(sender.UnpackedSize);
        const std::string entry = LineaAnidado(sender.FileName, dos, size, sender.FileAttr);
        if (!entry.empty()) {
            NestedEntriesText += entry;
            NestedEntriesText += kEntrySeparator;
        }
    } catch (const std::exception& error) {
        observer_.ListingError(CapitalizeFirst(InternalErrorWord()) +
                               " LineaAnidado(): " + sender.FileName + " / " +
                               observer_.CurrentPlace() + " / " + error.what());
    }
    // The scan's stop button also stops a long listing.
    if (observer_.ListingStopRequested()) sender.SetCancel(true);
}

std::string ArchiveBridge::MontaArx(const std::string& path) {
    NestedEntriesText.clear();
    failureLogged_ = false;
    volumeAsked_ = false;
    std::string result;
    try {
        TArxon arx;
        arx.OnRead = [this](TZipCommon& sender, int, int) {
            ArxonRead(static_cast<TArxon&>(sender));
        };
        arx.OnNextVolume = [this](TZipCommon& sender, std::string& name, int id, bool exists,
                                  bool& cancel) {
            volumeAsked_ = true;
            ArxonNextVolume(sender, name, id, exists, cancel);
        };
        // A damaged archive gets one line; the cancel the next-volume handler
        // answers (or the stop button) is no failure.
        arx.OnError = [this, &path](TZipCommon&, const std::string&, const std::string& extended,
                                    const std::string&, int code) {
            if (code == kMsgUserCanceled) return;
            LogFailure(path, ArxMessageText(code) + (extended.empty() ? "" : ": " + extended));
        };
        // A ZIP whose directory is incomplete: the walk ends there (the answer
        // the event presets) and the archive gets the damaged-header line.
        arx.OnCorruptZipHeader = [this, &path](TZipCommon&, THeaderTypeState, bool& cancel) {
            cancel = true;
            LogFailure(path, ArxMessageText(kMsgBadFileHeader));
        };
        arx.SetArchiveFile(path);
        arx.FileSpec.push_back("*.*");
        arx.Activate();
        if (!NestedEntriesText.empty()) {
            result = kBlockMark + NestedEntriesText;
            result.back() = kBlockMark;
        }
    } catch (const std::exception& error) {
        LogFailure(path, error.what());
        result.clear();
    }
    observer_.ShowMember("");
    return result;
}

} // namespace sorvane

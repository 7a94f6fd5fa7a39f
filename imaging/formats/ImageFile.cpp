// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/ImageFile.h"

#include "imaging/files/AtomicFile.h"
#include "imaging/files/FileHandles.h"
#include "imaging/files/FilePaths.h"
#include "imaging/files/RegularFile.h"
#include "imaging/formats/DamageChecks.h"
#include "imaging/formats/DecodeFlags.h"
#include "imaging/formats/FileBytes.h"
#include "imaging/formats/HeifFile.h"
#include "imaging/formats/HeifSignature.h"
#include "imaging/formats/InfoHeaderBmp.h"
#include "imaging/formats/JpegWriter.h"
#include "imaging/formats/PictureHeaders.h"
#include "imaging/formats/PictureLimit.h"
#include "imaging/formats/PixelDataBounds.h"
#include "imaging/formats/PlainBmpReader.h"
#include "imaging/formats/PngWriter.h"
#include "imaging/formats/SaveFormat.h"
#include "imaging/formats/StoredOrientation.h"
#include "imaging/formats/StoredResolution.h"
#include "imaging/picture/Orientation.h"
#include "imaging/picture/RowPadding.h"
#include "imaging/picture/ZeroedArray.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace velmora {
namespace {

// The library's defaults, except for JPEG: the given quality, optimised
// Huffman tables, and colour kept at full resolution, because in a stereo
// picture the colour channels carry the two eyes and halving them lets
// each eye see the other's edges.
int SaveFlags(FREE_IMAGE_FORMAT format, int jpegQuality)
{
    return format == FIF_JPEG ? std::clamp(jpegQuality, 1, 100) | JPEG_OPTIMIZE | JPEG_SUBSAMPLING_444 : 0;
}

struct StreamCloser {
    void operator()(FILE* stream) const noexcept { std::fclose(stream); }
};
using Stream = std::unique_ptr<FILE, StreamCloser>;

FileStatus Unreadable(std::string reason)
{
    return Failure(FileProblem::kUnreadable, std::move(reason));
}

// A picture file opened for reading, its format known and its claimed size
// checked, the position at its start.
struct OpenPicture {
    Stream stream;
    std::uint64_t fileSize = 0;
    FREE_IMAGE_FORMAT format = FIF_UNKNOWN;
    std::optional<BmpHeader> bmp;           // a BMP's start, read once for all its readers
    std::optional<PlainBmpHeader> plainBmp; // the header, for a BMP this program reads itself
    std::optional<InfoHeaderBmp> laterBmp;  // for other BMPs under a header the library does not read
    std::optional<HeifFile> heif;           // for HEIF, which libheif reads instead of the library
    std::uint64_t width = 0, height = 0;    // as the header claims them
    FileStatus status;
};

// The library's reading of the file (`flags` as for FreeImage_Load), from its
// start.
Bitmap LoadWithLibrary(OpenPicture& file, int flags)
{
    if (file.laterBmp) {
        FreeImageIO io = InfoHeaderBmp::IO();
        return Bitmap(FreeImage_LoadFromHandle(FIF_BMP, &io, file.laterBmp->Handle(), flags));
    }
    FreeImageIO io = ReadingIO();
    if (std::fseek(file.stream.get(), 0, SEEK_SET) != 0)
        return {};
    return Bitmap(FreeImage_LoadFromHandle(file.format, &io, file.stream.get(), flags));
}

// Keeps the descriptor that was checked as the stream, so that what is
// checked is what is read.
FileStatus OpenRegularFile(const std::string& path, OpenPicture& file)
{
    OpenedFile opened = OpenForReading(path);
    if (!opened.status)
        return opened.status;
    file.stream.reset(fdopen(opened.descriptor.Get(), "rb"));
    if (!file.stream)
        return Unreadable(std::strerror(errno));
    opened.descriptor.Release(); // the stream's now
    file.fileSize = opened.size;
    return {};
}

// The format the content has; the name's extension only for content that
// no format recognises.
FREE_IMAGE_FORMAT FormatOf(FILE* stream, const std::string& path)
{
    FreeImageIO io = ReadingIO();
    FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromHandle(&io, stream, 0);
    if (format == FIF_UNKNOWN)
        format = FreeImage_GetFIFFromFilename(path.c_str());
    if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(format))
        return FIF_UNKNOWN;
    return format;
}

// The size the header claims, against the limit, before any pixel exists.
FileStatus CheckClaimedSize(OpenPicture& file, std::uint64_t limit)
{
    FileStatus status;
    if (file.format == FIF_BMP) {
        file.bmp = ReadBmpHeader(fileno(file.stream.get()));
        if (file.bmp)
            file.plainBmp = PlainBmpOf(*file.bmp);
        if (file.bmp && !file.plainBmp)
            file.laterBmp = InfoHeaderBmp::Of(file.stream.get(), *file.bmp, file.fileSize);
    }
    if (const auto& plain = file.plainBmp) {
        file.width = static_cast<std::uint64_t>(plain->width);
        file.height = plain->Rows();
        return CheckPictureSize(file.width, file.height, plain->RowBytes(), limit);
    }
    FileBytes bytes(fileno(file.stream.get()), file.fileSize);
    std::uint64_t& width = file.width;
    std::uint64_t& height = file.height;
    if (FreeImage_FIFSupportsNoPixels(file.format)) {
        Bitmap header = LoadWithLibrary(file, FIF_LOAD_NOPIXELS);
        if (!header)
            return Unreadable(reasons::kUndecodable);
        // Computed here: the library's own pitch is 32-bit and can wrap.
        width = FreeImage_GetWidth(header.get());
        height = FreeImage_GetHeight(header.get());
        status = CheckPictureSize(width, height, PaddedRowBytes(width, FreeImage_GetBPP(header.get())), limit);
    } else {
        const auto claimed = ReadClaimedSize(file.format, bytes);
        if (!claimed)
            return Unreadable("its size cannot be read from its header");
        width = claimed->width;
        height = claimed->height;
        status = CheckPictureSize(width, height, width * claimed->bytesPerPixel, limit);
    }
    if (status && file.format != FIF_BMP) {
        const PixelData data = CheckPixelData(file.format, bytes, width, height);
        if (data == PixelData::kCutShort)
            status = Unreadable(reasons::kCutShort);
        else if (data == PixelData::kImpossible)
            status = Unreadable(reasons::kUndecodable);
    }
    if (std::fseek(file.stream.get(), 0, SEEK_SET) != 0 && status)
        return Unreadable(std::strerror(errno));
    return status;
}

OpenPicture OpenPictureFile(const std::string& path, std::uint64_t pictureLimit)
{
    QuietenImageLibraries();
    OpenPicture file;
    file.status = OpenRegularFile(path, file);
    if (!file.status)
        return file;
    FileBytes bytes(fileno(file.stream.get()), file.fileSize);
    if (HasHeifSignature(bytes)) {
        file.heif.emplace(fileno(file.stream.get()), file.fileSize);
        file.status = file.heif->CheckSize(pictureLimit);
        return file;
    }
    file.format = FormatOf(file.stream.get(), path);
    if (file.format == FIF_UNKNOWN)
        file.status = Unreadable("not a picture in a format that can be read");
    else
        file.status = CheckClaimedSize(file, pictureLimit);
    return file;
}

// What the file says of its pixels beyond the library's reading: a picture
// whose file gives no resolution has none, not the library's 72 dpi (the
// automatic parallax must not be worked out from it, nor outputs claim
// it), and a picture stored turned or mirrored is made upright, so that
// its disparity runs across. None when memory runs out.
Bitmap AsTheFileMeansIt(OpenPicture& file, Bitmap bitmap)
{
    FileBytes bytes(fileno(file.stream.get()), file.fileSize);
    if (!HasStoredResolution(file.format, bytes))
        SetResolution(bitmap.get(), 0);
    return Upright(std::move(bitmap), StoredOrientation(file.format, bytes));
}

ImageRead Refused(FileStatus status)
{
    return {Bitmap(), std::move(status)};
}

Bitmap ConvertTo24Bits(FIBITMAP* bitmap)
{
    switch (FreeImage_GetImageType(bitmap)) {
    case FIT_UINT16: {
        // 16-bit grey: the library's 8-bit conversion keeps the high byte.
        Bitmap grey(FreeImage_ConvertTo8Bits(bitmap));
        return grey ? Bitmap(FreeImage_ConvertTo24Bits(grey.get())) : Bitmap();
    }
    case FIT_BITMAP:
    case FIT_RGB16:
    case FIT_RGBA16:
        return Bitmap(FreeImage_ConvertTo24Bits(bitmap));
    default: {
        // Floating-point and other wide types: scale to 8 bits first.
        Bitmap standard(FreeImage_ConvertToStandardType(bitmap, TRUE));
        return standard ? Bitmap(FreeImage_ConvertTo24Bits(standard.get())) : Bitmap();
    }
    }
}

// A cut-short BMP, which no reader is to read.
bool IsCutShortBmp(const OpenPicture& file)
{
    return file.format == FIF_BMP && (!file.bmp || IsTruncatedBmp(*file.bmp, file.fileSize));
}

// ReadImageFile on the opened file.
ImageRead ReadOpenedImage(OpenPicture& file, const RunOptions& options)
{
    if (!file.status)
        return Refused(std::move(file.status));
    if (file.heif)
        return file.heif->DecodePicture(options);
    if (IsCutShortBmp(file))
        return Refused(Unreadable(reasons::kCutShort));
    if (file.plainBmp) {
        Bitmap plain = ReadPlainBmp(fileno(file.stream.get()), *file.plainBmp);
        if (!plain)
            return Refused(Unreadable(reasons::kUndecodable));
        return {std::move(plain), {}};
    }
    DamageWatch damage;
    Bitmap bitmap = LoadWithLibrary(file, DecodeFlags(file.format));
    if (!bitmap || damage.DamageSeen())
        return Refused(Unreadable(reasons::kUndecodable));
    if (FreeImage_GetWidth(bitmap.get()) == 0 || FreeImage_GetHeight(bitmap.get()) == 0)
        return Refused(Unreadable("the picture has no pixels"));
    bitmap = AsTheFileMeansIt(file, std::move(bitmap));
    if (!bitmap)
        return Refused(Failure(FileProblem::kTooLarge, "there is not enough memory to turn it upright"));
    return {std::move(bitmap), {}};
}

// The 24-bit picture, as ReadRgbImageFile gives it.
ImageRead InRgb(ImageRead read)
{
    if (read.bitmap) {
        read.bitmap = ConvertToRgb(std::move(read.bitmap));
        if (!read.bitmap)
            read.status = Unreadable("its pixels cannot be converted to 24 bits");
    }
    return read;
}

} // namespace

ImageRead ReadImageFile(const std::string& path, const RunOptions& options)
{
    OpenPicture file = OpenPictureFile(path, options.pictureLimit);
    return ReadOpenedImage(file, options);
}

ImageRead ReadRgbImageFile(const std::string& path, const RunOptions& options)
{
    return InRgb(ReadImageFile(path, options));
}

PlaneRead ReadImageChannel(const std::string& path, int channel, const RunOptions& options)
{
    OpenPicture file = OpenPictureFile(path, options.pictureLimit);
    if (file.status && file.plainBmp && !IsCutShortBmp(file)) {
        BytePlane plane = ReadPlainBmpChannel(fileno(file.stream.get()), *file.plainBmp, channel);
        if (!plane)
            return {{}, Unreadable(reasons::kUndecodable)};
        return {std::move(plane), {}};
    }
    ImageRead read = InRgb(ReadOpenedImage(file, options));
    if (!read.bitmap)
        return {{}, std::move(read.status)};
    return {TakeChannelPlane(std::move(read.bitmap), channel), {}};
}

Bitmap ConvertToRgb(Bitmap bitmap)
{
    if (!bitmap || IsRgb(bitmap.get()))
        return bitmap;
    Bitmap converted = ConvertTo24Bits(bitmap.get());
    if (converted) {
        FreeImage_SetDotsPerMeterX(converted.get(), FreeImage_GetDotsPerMeterX(bitmap.get()));
        FreeImage_SetDotsPerMeterY(converted.get(), FreeImage_GetDotsPerMeterY(bitmap.get()));
    }
    return converted;
}

ResolutionRead ReadHorizontalResolution(const std::string& path, const RunOptions& options)
{
    OpenPicture file = OpenPictureFile(path, options.pictureLimit);
    if (!file.status)
        return {std::nullopt, std::move(file.status)};
    if (file.heif)
        return {0, {}}; // HEIF stores no resolution
    if (file.plainBmp)
        return {file.plainBmp->pixelsPerMetreX, {}};
    const int flags = FreeImage_FIFSupportsNoPixels(file.format) ? FIF_LOAD_NOPIXELS : 0;
    Bitmap bitmap = LoadWithLibrary(file, flags);
    if (!bitmap)
        return {std::nullopt, Unreadable(reasons::kUndecodable)};
    FileBytes bytes(fileno(file.stream.get()), file.fileSize);
    if (!HasStoredResolution(file.format, bytes))
        return {0, {}};
    // An upright picture's rows run down what the file stores as columns.
    if (SwapsSides(StoredOrientation(file.format, bytes)))
        return {static_cast<std::int32_t>(FreeImage_GetDotsPerMeterY(bitmap.get())), {}};
    return {HorizontalResolution(bitmap.get()), {}};
}

SizeRead ReadPictureSize(const std::string& path, const RunOptions& options)
{
    OpenPicture file = OpenPictureFile(path, options.pictureLimit);
    if (!file.status)
        return {0, 0, std::move(file.status)};
    if (file.heif) // turned upright already
        return {file.heif->Size().first, file.heif->Size().second, {}};
    FileBytes bytes(fileno(file.stream.get()), file.fileSize);
    const bool swapped = SwapsSides(StoredOrientation(file.format, bytes));
    return {static_cast<int>(swapped ? file.height : file.width), static_cast<int>(swapped ? file.width : file.height),
            {}};
}

bool NamedAsPicture(const std::string& path)
{
    // Stereo files hold a JPEG or PNG first, which reads as their left eye.
    const std::string extension = LowerCaseExtension(path);
    if (extension == ".mpo" || extension == ".jps" || extension == ".pns")
        return true;
    const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(path.c_str());
    return NamedAsHeif(path) || (format != FIF_UNKNOWN && FreeImage_FIFSupportsReading(format));
}

FileStatus WriteImageFile(FIBITMAP* bitmap, const std::string& path, int saveFormat, const RunOptions& options)
{
    FREE_IMAGE_FORMAT format = FIF_UNKNOWN;
    switch (saveFormat) {
    case kSaveBmp: format = FIF_BMP; break;
    case kSavePng: format = FIF_PNG; break;
    case kSaveTiff: format = FIF_TIFF; break;
    case kSaveJpeg: format = FIF_JPEG; break;
    default: return Failure(FileProblem::kUnwritable, "no such save format");
    }
    AtomicFile file(path, options.replaceLinks ? AtomicFile::Links::kReplace : AtomicFile::Links::kFollow);
    if (!file.Status())
        return file.Status();
    CheckedWriter writer(file.Descriptor());
    FreeImageIO io = CheckedWriter::IO();
    DamageWatch damage;
    bool encoded = false;
    if (format == FIF_PNG && IsRgb(bitmap))
        encoded = WritePng(bitmap, io, writer.Handle(), options.threads);
    else if (format == FIF_JPEG && IsRgb(bitmap))
        encoded = WriteJpeg(bitmap, options.jpegQuality, io, writer.Handle(), options.threads);
    else
        encoded =
            FreeImage_SaveToHandle(format, bitmap, &io, writer.Handle(), SaveFlags(format, options.jpegQuality)) &&
            !damage.DamageSeen();
    if (!writer.Flush())
        return Failure(FileProblem::kUnwritable, std::strerror(writer.Error()));
    if (!encoded)
        return Failure(FileProblem::kUnwritable, "the picture could not be encoded");
    return file.Commit();
}

} // namespace velmora

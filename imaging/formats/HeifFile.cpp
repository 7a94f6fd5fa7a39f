// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/formats/HeifFile.h"

#include "imaging/files/FileHandles.h"
#include "imaging/files/RegularFile.h"
#include "imaging/formats/FileBytes.h"
#include "imaging/formats/HeifSignature.h"
#include "imaging/formats/PictureLimit.h"

#include <libheif/heif.h>

#include <cerrno>
#include <cstring>

namespace velmora {
namespace {

// libheif's plugins are loaded once for the process and kept: readers on
// several threads share them.
void StartLibrary()
{
    static const bool started = [] {
        heif_init(nullptr);
        return true;
    }();
    (void)started;
}

struct ContextFree {
    void operator()(heif_context* context) const noexcept { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(const heif_image_handle* handle) const noexcept { heif_image_handle_release(handle); }
};
struct ImageRelease {
    void operator()(const heif_image* image) const noexcept { heif_image_release(image); }
};
struct DecodingOptionsFree {
    void operator()(heif_decoding_options* options) const noexcept { heif_decoding_options_free(options); }
};
struct DepthInfoFree {
    void operator()(const heif_depth_representation_info* info) const noexcept
    {
        heif_depth_representation_info_free(info);
    }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<const heif_image_handle, HandleRelease>;
using Image = std::unique_ptr<const heif_image, ImageRelease>;

FileStatus Unreadable(std::string reason) { return Failure(FileProblem::kUnreadable, std::move(reason)); }

FileStatus StatusOf(const heif_error& error)
{
    if (error.code == heif_error_Ok)
        return {};
    if (error.subcode == heif_suberror_End_of_data)
        return Unreadable(reasons::kCutShort);
    if (error.code == heif_error_Unsupported_feature &&
        (error.subcode == heif_suberror_Unsupported_codec || error.subcode == heif_suberror_Unsupported_image_type))
        return Unreadable(std::string("coded in a way this program's libheif has no decoder for (") + error.message +
                          ")");
    return Unreadable(reasons::kUndecodable);
}

// The file as libheif reads it: through our descriptor, never past the size
// it had when opened, so that a file growing meanwhile is read as it was.
struct DescriptorReader {
    int descriptor = -1;
    std::uint64_t size = 0;
    std::uint64_t position = 0;

    static DescriptorReader& Of(void* userdata) { return *static_cast<DescriptorReader*>(userdata); }

    static const heif_reader* Callbacks()
    {
        static const heif_reader reader = {
            1,
            [](void* userdata) { return static_cast<std::int64_t>(Of(userdata).position); },
            [](void* data, std::size_t count, void* userdata) {
                DescriptorReader& file = Of(userdata);
                if (count > file.size - file.position ||
                    !ReadFully(file.descriptor, static_cast<std::uint8_t*>(data), count, file.position))
                    return 1;
                file.position += count;
                return 0;
            },
            [](std::int64_t position, void* userdata) {
                DescriptorReader& file = Of(userdata);
                if (position < 0 || static_cast<std::uint64_t>(position) > file.size)
                    return 1;
                file.position = static_cast<std::uint64_t>(position);
                return 0;
            },
            [](std::int64_t target, void* userdata) {
                return target >= 0 && static_cast<std::uint64_t>(target) <= Of(userdata).size
                    ? heif_reader_grow_status_size_reached
                    : heif_reader_grow_status_size_beyond_eof;
            },
        };
        return &reader;
    }
};

constexpr std::uint64_t kRgbBytes = 3; // a pixel of our 24-bit bitmaps

// The handle's size against the limit, for `bytesPerPixel` bytes a pixel in
// what a read makes of it.
FileStatus CheckHandleSize(const heif_image_handle* handle, std::uint64_t bytesPerPixel, std::uint64_t limit)
{
    const int width = heif_image_handle_get_width(handle), height = heif_image_handle_get_height(handle);
    if (width <= 0 || height <= 0)
        return Unreadable("the picture has no pixels");
    const auto columns = static_cast<std::uint64_t>(width);
    return CheckPictureSize(columns, static_cast<std::uint64_t>(height), columns * bytesPerPixel, limit);
}

// HEIF stores no resolution: the library's default of 72 dpi is not given.
Bitmap RgbBitmapOf(const heif_image* image)
{
    int stride = 0;
    const std::uint8_t* pixels = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image, heif_channel_interleaved);
    const int height = heif_image_get_height(image, heif_channel_interleaved);
    if (!pixels || heif_image_get_bits_per_pixel(image, heif_channel_interleaved) != 24)
        return {};
    Bitmap bitmap = NewImage(width, height, 24);
    if (!bitmap)
        return bitmap;
    SetResolution(bitmap.get(), 0);
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* from = pixels + static_cast<std::ptrdiff_t>(row) * stride;
        std::uint8_t* to = RowAt(bitmap.get(), height - 1 - row); // stored rows run from the bottom
        for (int column = 0; column < width; ++column, from += 3, to += 3) {
            to[FI_RGBA_RED] = from[0];
            to[FI_RGBA_GREEN] = from[1];
            to[FI_RGBA_BLUE] = from[2];
        }
    }
    return bitmap;
}

HeifDepthKind KindOf(heif_depth_representation_type type)
{
    switch (type) {
    case heif_depth_representation_type_uniform_inverse_Z:
        return HeifDepthKind::kInverseDistance;
    case heif_depth_representation_type_uniform_disparity:
        return HeifDepthKind::kDisparity;
    case heif_depth_representation_type_uniform_Z:
        return HeifDepthKind::kDistance;
    case heif_depth_representation_type_nonuniform_disparity:
        return HeifDepthKind::kNonuniformDisparity;
    }
    return HeifDepthKind::kUnstated;
}

void ReadRepresentation(const heif_image_handle* primary, heif_item_id depthId, HeifDepthImage& depth)
{
    const heif_depth_representation_info* stated = nullptr;
    if (!heif_image_handle_get_depth_image_representation_info(primary, depthId, &stated) || !stated)
        return;
    const std::unique_ptr<const heif_depth_representation_info, DepthInfoFree> info(stated);
    depth.kind = KindOf(info->depth_representation_type);
    const auto given = [](std::uint8_t has, double value) { return has ? std::optional<double>(value) : std::nullopt; };
    depth.nearDistance = given(info->has_z_near, info->z_near);
    depth.farDistance = given(info->has_z_far, info->z_far);
    depth.lowestDisparity = given(info->has_d_min, info->d_min);
    depth.highestDisparity = given(info->has_d_max, info->d_max);
}

// The grey levels of a decoded depth image, 8 bits or more a sample, each
// taken over its whole range.
bool ReadLevels(const heif_image* image, HeifDepthImage& depth)
{
    int stride = 0;
    const std::uint8_t* samples = heif_image_get_plane_readonly(image, heif_channel_Y, &stride);
    const int bits = heif_image_get_bits_per_pixel_range(image, heif_channel_Y);
    depth.width = heif_image_get_width(image, heif_channel_Y);
    depth.height = heif_image_get_height(image, heif_channel_Y);
    if (!samples || bits < 1 || bits > 16 || depth.width <= 0 || depth.height <= 0)
        return false;
    const float highest = static_cast<float>((1 << bits) - 1);
    depth.levels.resize(static_cast<std::size_t>(depth.width) * static_cast<std::size_t>(depth.height));
    float* to = depth.levels.data();
    for (int row = 0; row < depth.height; ++row) {
        const std::uint8_t* from = samples + static_cast<std::ptrdiff_t>(row) * stride;
        for (int column = 0; column < depth.width; ++column) {
            std::uint16_t code = from[column];
            if (bits > 8)
                std::memcpy(&code, from + 2 * column, 2); // in the machine's order
            *to++ = static_cast<float>(code) / highest;
        }
    }
    return true;
}

} // namespace

struct HeifFile::Parts {
    DescriptorReader reader;
    Context context;
    Handle primary;
    FileStatus status;

    // StatusOf, and a file whose boxes reach past its end cut short,
    // whatever libheif made of it.
    FileStatus Outcome(const heif_error& error)
    {
        FileStatus outcome = StatusOf(error);
        if (!outcome && outcome.reason == reasons::kUndecodable) {
            FileBytes bytes(reader.descriptor, reader.size);
            if (HeifBoxesCutShort(bytes))
                return Unreadable(reasons::kCutShort);
        }
        return outcome;
    }
};

HeifFile::HeifFile(int descriptor, std::uint64_t fileSize)
    : parts_(std::make_unique<Parts>())
{
    StartLibrary();
    parts_->reader = {descriptor, fileSize, 0};
    parts_->context.reset(heif_context_alloc());
    if (!parts_->context) {
        parts_->status = Unreadable(std::strerror(ENOMEM));
        return;
    }
    parts_->status = parts_->Outcome(
        heif_context_read_from_reader(parts_->context.get(), DescriptorReader::Callbacks(), &parts_->reader, nullptr));
    if (!parts_->status)
        return;
    heif_image_handle* primary = nullptr;
    parts_->status = parts_->Outcome(heif_context_get_primary_image_handle(parts_->context.get(), &primary));
    parts_->primary.reset(primary);
}

HeifFile::~HeifFile() = default;
HeifFile::HeifFile(HeifFile&&) noexcept = default;

const FileStatus& HeifFile::Status() const { return parts_->status; }

FileStatus HeifFile::CheckSize(std::uint64_t pictureLimit) const
{
    if (!parts_->status)
        return parts_->status;
    return CheckHandleSize(parts_->primary.get(), kRgbBytes, pictureLimit);
}

std::pair<int, int> HeifFile::Size() const
{
    if (!parts_->status)
        return {0, 0};
    return {heif_image_handle_get_width(parts_->primary.get()), heif_image_handle_get_height(parts_->primary.get())};
}

ImageRead HeifFile::DecodePicture(const RunOptions& options)
{
    FileStatus status = CheckSize(options.pictureLimit);
    if (!status)
        return {Bitmap(), std::move(status)};
    // A grid's tiles on the run's threads; one thread is this one (0 to libheif).
    heif_context_set_max_decoding_threads(parts_->context.get(), options.threads > 1 ? options.threads : 0);
    const std::unique_ptr<heif_decoding_options, DecodingOptionsFree> decoding(heif_decoding_options_alloc());
    if (!decoding)
        return {Bitmap(), Unreadable(std::strerror(ENOMEM))};
    decoding->convert_hdr_to_8bit = 1;
    heif_image* decoded = nullptr;
    status = parts_->Outcome(heif_decode_image(parts_->primary.get(), &decoded, heif_colorspace_RGB,
                                               heif_chroma_interleaved_RGB, decoding.get()));
    const Image image(decoded);
    if (!status)
        return {Bitmap(), std::move(status)};
    Bitmap bitmap = RgbBitmapOf(image.get());
    if (!bitmap)
        return {Bitmap(), Unreadable(reasons::kUndecodable)};
    return {std::move(bitmap), {}};
}

HeifDepthImage HeifFile::DecodeDepth(std::uint64_t pictureLimit)
{
    HeifDepthImage depth;
    depth.status = parts_->status;
    const heif_image_handle* primary = parts_->primary.get();
    heif_item_id depthId = 0;
    if (!depth.status || heif_image_handle_get_list_of_depth_image_IDs(primary, &depthId, 1) != 1)
        return depth;
    depth.found = true;
    heif_image_handle* stored = nullptr;
    depth.status = parts_->Outcome(heif_image_handle_get_depth_image_handle(primary, depthId, &stored));
    const Handle handle(stored);
    if (!depth.status)
        return depth;
    ReadRepresentation(primary, depthId, depth);
    // The levels as floats, then our 24-bit grey map of them.
    depth.status = CheckHandleSize(handle.get(), sizeof(float) + kRgbBytes, pictureLimit);
    if (!depth.status)
        return depth;
    heif_image* decoded = nullptr;
    depth.status = parts_->Outcome(
        heif_decode_image(handle.get(), &decoded, heif_colorspace_monochrome, heif_chroma_monochrome, nullptr));
    const Image image(decoded);
    if (depth.status && !ReadLevels(image.get(), depth))
        depth.status = Unreadable(reasons::kUndecodable);
    return depth;
}

HeifDepthImage ReadHeifDepthImage(const std::string& path, const RunOptions& options)
{
    HeifDepthImage depth;
    OpenedFile opened = OpenForReading(path);
    depth.status = opened.status;
    if (!opened.status)
        return depth;
    FileBytes bytes(opened.descriptor.Get(), opened.size);
    if (!HasHeifSignature(bytes))
        return depth;
    return HeifFile(opened.descriptor.Get(), opened.size).DecodeDepth(options.pictureLimit);
}

} // namespace velmora

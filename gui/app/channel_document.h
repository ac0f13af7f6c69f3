#pragma once
// The document: the memory image, the file it came from, and what it was when last opened or saved.

#include <QString>

#include "core/image/channel_file.h"
#include "core/image/memory_image.h"

namespace pm {

class ChannelDocument {
  public:
    /** Starts as a new document. */
    ChannelDocument();

    /** The radio's memory; the view decodes from it and encodes into it, the transfer reads and writes it. */
    [[nodiscard]] Image& MemoryImage() { return image_; }
    [[nodiscard]] const Image& MemoryImage() const { return image_; }

    /** New document: the new-document contents and no file name. */
    void OnNewDocument();
    /** Loads path; on failure the image and the file name stay exactly as they were. */
    [[nodiscard]] FileOutcome OnOpenDocument(const QString& path);
    /** Reads and checks path into image without touching the document. */
    [[nodiscard]] static FileOutcome ReadFile(const QString& path, Image& image);
    /** Becomes the file path whose image ReadFile gave. */
    void TakeFile(const QString& path, const Image& image);
    /** Stores the image (already encoded by the caller) into path; on success path becomes the file name. */
    [[nodiscard]] FileOutcome OnSaveDocument(const QString& path);

    /** The file the document was opened from or saved to, empty for a new document. */
    [[nodiscard]] const QString& PathName() const { return pathName_; }
    /** The name the save question uses: the file's name, or "Untitled". */
    [[nodiscard]] QString Title() const;

    /** Records image as what was last opened or saved; modification is judged against it. */
    void SetSavedState(const Image& image) { savedImage_ = image; }
    /** The image as it was last opened or saved (after the editor's normalisation). */
    [[nodiscard]] const Image& SavedState() const { return savedImage_; }

  private:
    Image image_;
    QString pathName_;
    Image savedImage_{};
};

}  // namespace pm

#include "removal/file_version.h"

#include "platform/handles.h"

namespace {

// The loader's own limit on sections; how many resource type ids are looked
// at (they are sorted, so RT_VERSION comes within its first 16).
const DWORD kMaxSections = 96;
const DWORD kSectionHeaderSize = 40;
const DWORD kMaxTypeIds = 64;
const DWORD kEntrySize = 8;
const DWORD kDirectoryHeaderSize = 16;
const DWORD kResourceTypeVersion = 16;  // RT_VERSION
const DWORD kSubdirectory = 0x80000000u;
// VS_VERSIONINFO: wLength, wValueLength, wType, L"VS_VERSION_INFO" with its
// zero, padding to a DWORD, then the VS_FIXEDFILEINFO (52 bytes).
const char kVersionKey[] = "VS_VERSION_INFO";
const DWORD kFixedInfoAt = 40;
const DWORD kFixedInfoSize = 52;
const DWORD kVersionHeadSize = kFixedInfoAt + kFixedInfoSize;
const DWORD kFixedInfoSignature = 0xFEEF04BDu;

WORD Word(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }
DWORD Dword(const BYTE* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24;
}

// The image being walked: where its bytes come from, whether a read failed,
// and the section table that maps relative virtual addresses to the file.
class ImageWalk {
 public:
  ImageWalk(ReadImageAt read, void* source) : read_(read), source_(source) {}

  // Reads `size` bytes at file offset base + offset; false when they lie
  // beyond the file or the read failed.
  bool ReadAt(DWORD base, DWORD offset, void* buffer, DWORD size) {
    if (offset > 0xFFFFFFFFu - base) return false;
    const ImageRead result = read_(source_, base + offset, buffer, size);
    if (result == kImageReadFailed) failed_ = true;
    return result == kImageRead;
  }

  // Reads `size` bytes at the address base + offset, all within the file
  // data of one section.
  bool ReadRva(DWORD base, DWORD offset, void* buffer, DWORD size) {
    if (offset > 0xFFFFFFFFu - base) return false;
    const DWORD rva = base + offset;
    for (DWORD i = 0; i < sectionCount_; ++i) {
      const BYTE* section = sections_ + i * kSectionHeaderSize;
      const DWORD start = Dword(section + 12);
      const DWORD rawSize = Dword(section + 16);
      if (rva < start || rva - start >= rawSize || size > rawSize - (rva - start)) continue;
      return ReadAt(Dword(section + 20), rva - start, buffer, size);
    }
    return false;
  }

  // The MZ and PE headers and the section table; the resource directory's
  // address, false when the image has none.
  bool ReadHeaders(DWORD* resources) {
    BYTE dos[64];
    if (!ReadAt(0, 0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
    const DWORD pe = Dword(dos + 0x3C);
    BYTE head[24 + 2];  // signature, file header, optional header magic
    if (!ReadAt(pe, 0, head, sizeof head) || Dword(head) != 0x00004550u) return false;
    const DWORD sections = Word(head + 6);
    const DWORD optionalSize = Word(head + 20);
    // PE32 and PE32+ differ in where the data directories begin.
    DWORD countAt = 92;
    if (Word(head + 24) == 0x20B) countAt = 108;
    else if (Word(head + 24) != 0x10B) return false;
    const DWORD resourceEntryEnd = countAt + 4 + 3 * 8;  // through directory 2
    BYTE optional[108 + 4 + 3 * 8];
    if (sections == 0 || sections > kMaxSections || optionalSize < resourceEntryEnd ||
        !ReadAt(pe, 24, optional, resourceEntryEnd) || Dword(optional + countAt) < 3)
      return false;
    *resources = Dword(optional + countAt + 4 + 2 * 8);
    if (*resources == 0 || !ReadAt(pe, 24 + optionalSize, sections_, sections * kSectionHeaderSize)) return false;
    sectionCount_ = sections;
    return true;
  }

  // The first entry of the resource directory at offset `at` of the
  // resources: its target (data entry or subdirectory offset).
  bool FirstEntry(DWORD resources, DWORD at, DWORD* target) {
    BYTE directory[kDirectoryHeaderSize + kEntrySize];
    if (!ReadRva(resources, at, directory, sizeof directory)) return false;
    if (Word(directory + 12) + Word(directory + 14) == 0) return false;
    *target = Dword(directory + kDirectoryHeaderSize + 4);
    return true;
  }

  // The subdirectory of the version resources in the root directory.
  bool VersionType(DWORD resources, DWORD* subdirectory) {
    BYTE directory[kDirectoryHeaderSize];
    BYTE ids[kMaxTypeIds * kEntrySize];
    if (!ReadRva(resources, 0, directory, sizeof directory)) return false;
    DWORD count = Word(directory + 14);
    if (count > kMaxTypeIds) count = kMaxTypeIds;
    // Named types come first, then the ids.
    const DWORD idsAt = kDirectoryHeaderSize + Word(directory + 12) * kEntrySize;
    if (count == 0 || !ReadRva(resources, idsAt, ids, count * kEntrySize)) return false;
    for (DWORD i = 0; i < count; ++i) {
      if (Dword(ids + i * kEntrySize) != kResourceTypeVersion) continue;
      *subdirectory = Dword(ids + i * kEntrySize + 4);
      return true;
    }
    return false;
  }

  FileVersionState NotFound() const { return failed_ ? kVersionUnreadable : kVersionNone; }

 private:
  ReadImageAt read_;
  void* source_;
  bool failed_ = false;
  DWORD sectionCount_ = 0;
  BYTE sections_[kMaxSections * kSectionHeaderSize];
};

// Reads through the file's own pointer; a library is never 2 GB long.
ImageRead ReadFileAt(void* source, DWORD offset, void* buffer, DWORD size) {
  if (offset > 0x7FFFFFFFu) return kImagePastEnd;
  if (SetFilePointer(source, static_cast<LONG>(offset), NULL, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
    return kImageReadFailed;
  DWORD read = 0;
  if (!ReadFile(source, buffer, size, &read, NULL)) return kImageReadFailed;
  return read == size ? kImageRead : kImagePastEnd;
}

}  // namespace

FileVersionState FindImageVersion(ReadImageAt read, void* source, FileVersion* version) {
  ImageWalk image(read, source);
  DWORD resources = 0;
  DWORD names = 0;
  DWORD languages = 0;
  DWORD data = 0;
  // Type, name, language: the first name and the first language are taken,
  // as they come; a directory must lead to a directory, then to data.
  if (!image.ReadHeaders(&resources) || !image.VersionType(resources, &names) || !(names & kSubdirectory) ||
      !image.FirstEntry(resources, names & ~kSubdirectory, &languages) || !(languages & kSubdirectory) ||
      !image.FirstEntry(resources, languages & ~kSubdirectory, &data) || (data & kSubdirectory))
    return image.NotFound();
  BYTE entry[16];  // data address, size, code page, reserved
  BYTE head[kVersionHeadSize];
  if (!image.ReadRva(resources, data, entry, sizeof entry) || Dword(entry + 4) < kVersionHeadSize ||
      !image.ReadRva(Dword(entry), 0, head, sizeof head))
    return image.NotFound();
  if (Word(head) < kVersionHeadSize || Word(head) > Dword(entry + 4) || Word(head + 2) < kFixedInfoSize ||
      Dword(head + kFixedInfoAt) != kFixedInfoSignature)
    return kVersionNone;
  for (DWORD i = 0; i < sizeof kVersionKey; ++i)
    if (Word(head + 6 + 2 * i) != static_cast<BYTE>(kVersionKey[i])) return kVersionNone;
  version->ms = Dword(head + kFixedInfoAt + 8);
  version->ls = Dword(head + kFixedInfoAt + 12);
  return kVersionFound;
}

FileVersionState ReadFileVersion(const char* path, FileVersion* version) {
  ScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
  if (!file.is_valid()) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? kVersionFileMissing
                                                                          : kVersionUnreadable;
  }
  return FindImageVersion(ReadFileAt, file.get(), version);
}

bool IsLaterVersion(const FileVersion& a, const FileVersion& b) {
  return a.ms > b.ms || (a.ms == b.ms && a.ls > b.ls);
}

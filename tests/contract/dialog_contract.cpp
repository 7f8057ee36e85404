// Platform behaviour the maintenance dialog relies on: finding the uninstall
// program with SearchPathA, reading PATH, and the fonts of its header paint.
#include <cstring>
#include <string>

#include "contract.h"
#include "fixture.h"
#include "platform/win32.h"

namespace {

std::string Search(const char* folder, const std::string& name) {
  char found[MAX_PATH];
  std::memset(found, 0, sizeof found);
  SetLastError(0xdeadbeef);
  const DWORD length = SearchPathA(folder, name.c_str(), ".exe", sizeof found, found, nullptr);
  if (length == 0 || length >= sizeof found) return "";
  ok(length == std::strlen(found), "length %lu for \"%s\"", static_cast<unsigned long>(length), found);
  return found;
}

}  // namespace

// All Windows versions: SearchPathA with a search path looks in that folder
// only, adds the extension only to a name without one, and gives the full
// path and its length without the zero.
CONTRACT_TEST(SearchPath_OneFolderAndTheExtensionRule) {
  const std::string folder = fixture::TempFolder() + "\\search";
  fixture::MakeFolder(folder);
  fixture::WriteTextFile(folder + "\\prog.exe", "MZ");
  fixture::WriteTextFile(folder + "\\tool.com", "MZ");
  const std::string prog = Search(folder.c_str(), "prog");
  ok(_mbsicmp(reinterpret_cast<const unsigned char*>(prog.c_str()),
              reinterpret_cast<const unsigned char*>((folder + "\\prog.exe").c_str())) == 0,
     "prog: \"%s\"", prog.c_str());
  ok(!Search(folder.c_str(), "tool.com").empty(), "tool.com not found");
  ok(Search(folder.c_str(), "tool").empty(), "tool found without its extension");
  ok(Search(folder.c_str(), "absent").empty(), "absent found");
  ok(GetLastError() == ERROR_FILE_NOT_FOUND, "absent: last error %lu", static_cast<unsigned long>(GetLastError()));
  // A name the folder does not hold is not looked for elsewhere, even one
  // that lies beside this program.
  ok(Search(folder.c_str(), fixture::OwnFileName()).empty(), "own file found through a one-folder search");
  fixture::RemoveFile(folder + "\\prog.exe");
  fixture::RemoveFile(folder + "\\tool.com");
}

// All Windows versions: a full path is checked as it stands, with the
// extension added when its last part has none.
CONTRACT_TEST(SearchPath_FullPathAsItStands) {
  const std::string folder = fixture::TempFolder() + "\\full.d";
  fixture::MakeFolder(folder);
  fixture::WriteTextFile(folder + "\\un.exe", "MZ");
  ok(!Search(nullptr, folder + "\\un").empty(), "full path without extension not found");
  ok(!Search(nullptr, folder + "\\un.exe").empty(), "full path not found");
  ok(Search(nullptr, folder + "\\gone").empty(), "missing full path found");
  // Too small a buffer: the size needed, zero included.
  char small[4];
  const std::string full = folder + "\\un.exe";
  const DWORD needed = SearchPathA(nullptr, full.c_str(), ".exe", sizeof small, small, nullptr);
  ok(needed == full.size() + 1, "needed %lu for %u characters", static_cast<unsigned long>(needed),
     static_cast<unsigned>(full.size()));
  fixture::RemoveFile(folder + "\\un.exe");
}

// All Windows versions: GetEnvironmentVariableA with no room gives the size
// needed with the zero, then the length without it; a missing variable gives
// 0 and ERROR_ENVVAR_NOT_FOUND (203).
CONTRACT_TEST(Environment_SizeThenText) {
  SetLastError(0xdeadbeef);
  ok(GetEnvironmentVariableA("CONTRACT_NO_SUCH_VARIABLE", nullptr, 0) == 0 && GetLastError() == 203,
     "missing variable: last error %lu", static_cast<unsigned long>(GetLastError()));
  const DWORD needed = GetEnvironmentVariableA("PATH", nullptr, 0);
  ok(needed > 1, "PATH needs %lu", static_cast<unsigned long>(needed));
  std::string path(needed, '\0');
  const DWORD length = GetEnvironmentVariableA("PATH", &path[0], needed);
  ok(length == needed - 1 && path[length] == 0, "PATH length %lu of %lu", static_cast<unsigned long>(length),
     static_cast<unsigned long>(needed));
}

// All Windows versions: GetObjectA gives back the 60-byte LOGFONTA a font was
// made from; a deleted font cannot be deleted again.
CONTRACT_TEST(Font_LogFontRoundTrip) {
  LOGFONTA wanted;
  std::memset(&wanted, 0, sizeof wanted);
  wanted.lfHeight = -11;
  wanted.lfWeight = FW_BOLD;
  std::strcpy(wanted.lfFaceName, "MS Sans Serif");
  ok(sizeof(LOGFONTA) == 60, "LOGFONTA is %u bytes", static_cast<unsigned>(sizeof(LOGFONTA)));
  HFONT font = CreateFontIndirectA(&wanted);
  ok(font != nullptr, "no font");
  LOGFONTA got;
  std::memset(&got, 0, sizeof got);
  ok(GetObjectA(font, sizeof got, &got) == 60, "GetObjectA size");
  ok(got.lfHeight == -11 && got.lfWeight == FW_BOLD && std::strcmp(got.lfFaceName, "MS Sans Serif") == 0,
     "got %ld %ld \"%s\"", static_cast<long>(got.lfHeight), static_cast<long>(got.lfWeight), got.lfFaceName);
  ok(DeleteObject(font) != 0, "first delete failed");
  ok(DeleteObject(font) == 0, "second delete succeeded");
}

// All Windows versions: a string the program does not carry loads as 0
// characters (this test program has no string table).
CONTRACT_TEST(Resource_MissingStringLoadsNothing) {
  char text[16];
  std::memset(text, 'x', sizeof text);
  ok(LoadStringA(GetModuleHandleA(nullptr), 1, text, sizeof text) == 0, "string 1 loaded");
  ok(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128)) == nullptr, "icon 128 loaded");
}

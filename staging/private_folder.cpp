#include "private_folder.h"

#include <windows.h>

namespace {

using OpenProcessTokenCall = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
using GetTokenInformationCall = BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD,
                                              PDWORD);

// A SID has at most 15 sub-authorities.
constexpr DWORD MaxSidSize = 8 + 4 * 15;

template <typename Call> Call SecurityCall(HMODULE library, const char* name) {
  return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// The one entry of the folder's access list: everything for the user, handed down to
// every file and folder made inside.
struct PrivateAcl {
  ACL Header;
  ACE_HEADER Entry;
  ACCESS_MASK Mask;
  BYTE Sid[MaxSidSize];
};

} // namespace

bool CreatePrivateFolder(const char* name) {
  const HMODULE library = LoadLibraryA("ADVAPI32.DLL");
  const auto openProcessToken = SecurityCall<OpenProcessTokenCall>(library, "OpenProcessToken");
  const auto getTokenInformation =
      SecurityCall<GetTokenInformationCall>(library, "GetTokenInformation");
  HANDLE token;
  // The process's own pseudo handle, without an import for it.
  if (!openProcessToken || !getTokenInformation ||
      !openProcessToken(reinterpret_cast<HANDLE>(-1), TOKEN_QUERY, &token))
    return false;
  union {
    TOKEN_USER User;
    BYTE Bytes[sizeof(TOKEN_USER) + MaxSidSize];
  } user;
  DWORD length;
  const BOOL known = getTokenInformation(token, TokenUser, &user, sizeof user, &length);
  CloseHandle(token);
  if (!known) return false;
  const auto* sid = static_cast<const BYTE*>(user.User.User.Sid);
  const DWORD sidSize = 8 + 4 * sid[1];

  PrivateAcl acl{};
  acl.Header.AclRevision = ACL_REVISION;
  acl.Header.AclSize =
      static_cast<WORD>(sizeof acl.Header + sizeof acl.Entry + sizeof acl.Mask + sidSize);
  acl.Header.AceCount = 1;
  acl.Entry.AceType = ACCESS_ALLOWED_ACE_TYPE;
  acl.Entry.AceFlags = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
  acl.Entry.AceSize = static_cast<WORD>(acl.Header.AclSize - sizeof acl.Header);
  acl.Mask = FILE_ALL_ACCESS;
  CopyMemory(acl.Sid, sid, sidSize);
  // Protected: nothing of the parent folder's own entries is added to it.
  SECURITY_DESCRIPTOR descriptor{};
  descriptor.Revision = SECURITY_DESCRIPTOR_REVISION;
  descriptor.Control = SE_DACL_PRESENT | SE_DACL_PROTECTED;
  descriptor.Dacl = &acl.Header;
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
  return CreateDirectoryA(name, &attributes) != FALSE;
}

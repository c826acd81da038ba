// File names as the system gives them. On Linux a name is bytes, not text: the bytes travel losslessly through
// CString, valid UTF-8 as its text and every byte that does not decode as the lone surrogate U+DC80..U+DCFF
// (which CString keeps). Every system call takes the bytes back from ToNativePath; no file name goes through
// QFile::encodeName/decodeName or QFileInfo, which turn such bytes into U+FFFD.
#pragma once

#include <string>
#include <string_view>

#include "platform/core/CString.h"

namespace platform {

CString PathFromNative(std::string_view bytes);
std::string ToNativePath(const CString& path);
// True when the name holds bytes that are not UTF-8 (so text tools see it only through the escapes).
bool HasUndecodableBytes(const CString& path);

// Absolute, with "." and repeated slashes folded; a path with ".." has its folder resolved by the system (a
// ".." after a link leads where the system goes), or folded by the text when that folder does not exist.
CString AbsolutePath(const CString& path);
// The last component and everything before it ("/a/b.txt" -> "b.txt", "/a"; "/b" -> "b", "/").
CString FileNameOf(const CString& path);
CString FolderOf(const CString& path);

// A name that went through a decoder which turned undecodable bytes into U+FFFD (Qt's file dialog does) back
// into the name on disk: each component that does not exist is matched against the entries of its folder as
// that decoder shows them; used when exactly one entry matches. Otherwise the path as it is.
CString RecoverLossyPath(const CString& path);

// The name as messages show it: undecodable bytes as \xHH; controls, DEL, C1 and the bidirectional controls as
// \uXXXX (they would act in a message rather than show); the rest as it is.
CString DisplayPath(const CString& path);

// The running executable's file name, as the system gave it ("lists" for /usr/bin/lists).
CString ExecutableName();

}  // namespace platform

// SPDX-License-Identifier: GPL-3.0-or-later
// What the commands of tarnq-cli share: the language, output of texts and paths, JSON strings.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "records/audio_info.h"

namespace tarnq::cli {

// Loads the language library beside the program and selects the language stored in the settings
// (never writing them). False, with a message on standard error, when the library is missing.
bool SetUpLanguage();

// A text for the terminal: UTF-8, with file-name bytes that are not UTF-8 written back as the
// original bytes (so a printed path names the file exactly).
std::string ToTerminal(std::u16string_view text);
void Print(FILE* out, std::u16string_view text);
// The same for a listing meant to be read: control characters and bytes that are not UTF-8
// become \xHH and a backslash \\, so no name can break a line or the columns.
std::string EscapedForTerminal(std::u16string_view text);
// Escapes UTF-8 (or raw name bytes) the same way.
std::string EscapedBytes(std::string_view bytes);

// "3.6 MB": bytes in millions, one decimal (two below 0.1 MB: "0.01 MB"), rounded half up.
std::string MegabytesText(uint64_t bytes);

// Appends `text` as a JSON string. File-name bytes that are not UTF-8 are written as the escapes
// \udc80 ... \udcff (the "surrogateescape" convention), so a reader can restore the exact bytes.
void AppendJsonString(std::string& out, std::u16string_view text);
// The same for UTF-8 text (bytes that are not valid UTF-8 become U+FFFD).
void AppendJsonString(std::string& out, std::string_view utf8);

// Appends the fields of an analysis result as JSON members, each preceded by a comma: format
// (a name: mpeg, ogg, wma, flac, mp4, plugin), type, channels (a count), channelMode (mono,
// stereo, joint stereo, multichannel or null), sampleRate, bitrate (positive; null when
// unknown), vbr, duration, track, year, bpm, genre, title, artist, album, comment.
void AppendAudioInfoJson(std::string& out, const records::AudioInfo& info);


// "tarnq-cli: PATH: reason" on standard error, the reason being the message of `code`.
void PrintError(std::u16string_view path, uint32_t code);

// The list's sort key for a --sort name (name, ext, path, ..., none); -1 for an unknown name.
int SortKeyByName(std::string_view name);

// Makes sure the folder an option names is there before any work starts: a missing folder whose
// parent exists is created (with one line on standard error saying so; with `dryRun` only the
// line); otherwise, or when the path is not a folder, an error is printed and false returned.
bool PrepareFolder(std::u16string_view folder, const char* option, const char* command, bool dryRun);

// An absolute, lexically normal path for a command-line argument.
std::u16string AbsolutePath(std::string_view argument);

}  // namespace tarnq::cli

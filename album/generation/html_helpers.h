#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct AlbumSettings;

// The credit at the foot of every index page: the maker's address and its text.
inline constexpr const char* kMakerAddress = "https://pictavo.example.org/";
inline constexpr const char* kCreditText = "Created with Pictavo";

// A picture comment made safe for the body of an index page: & < > " and space become entities,
// a carriage return becomes "<BR>" and a line feed is dropped (so "\r\n" gives one break).
std::string EscapeCommentHtml(std::string_view comment);

// The kind letters of MakeAlbumPath.
inline constexpr char kPictureFolderKind = 'p';
inline constexpr char kThumbnailFolderKind = 't';
inline constexpr char kMaterialFolderKind = 'm';

// The path of a file inside the album, relative to its output folder: the kind's folder name ('p'
// pic_folder, 't' thumb_folder, 'm' material_folder, none for another letter), a separator when
// that name is not empty ("/" when forWeb, else this system's separator), "_" for kind 't', the
// file name.
std::string MakeAlbumPath(const AlbumSettings& settings, char kind, std::string_view file_name,
                          bool for_web);

// A relative link made safe for an HREF or SRC value: "%", "#", "?", "\"", "\\" and every control
// character are percent-encoded, as is every character the page's code page cannot hold (as its
// UTF-8 bytes), so that a name like "photo#1.jpg" does not link to a fragment and a TAB or line
// break, which browsers drop from URLs, still reaches its file. A space at either end (browsers
// strip those) and a ":" before the first "/" (which would make "javascript:x.jpg" a scheme) are
// percent-encoded too. Other bytes, "&" and inner spaces included, are kept; an "&" still needs
// EscapeAttributeText inside an attribute.
std::string EscapeUrlPath(std::string_view path);

// A relative link made safe for a link of a UTF-8 page (the modern pages): as EscapeUrlPath, but
// every well-formed UTF-8 character is kept as it is, and only bytes that are not UTF-8 (a name
// from an old disk) are percent-encoded.
std::string EscapeUrlPathUtf8(std::string_view path);

// A relative link as one candidate of a double-quoted SRCSET value: EscapeUrlPathUtf8, with every
// space and comma percent-encoded too (either would split the list), then EscapeAttributeText.
std::string EscapeSrcsetUrl(std::string_view path);

// Text for a UTF-8 page: a byte that is not UTF-8, and a control character other than TAB and a
// line break, become U+FFFD; a line break ("\r\n" or a lone "\r") becomes "\n". The page is
// then well-formed UTF-8 whatever a name or a comment holds. Escape for the place afterwards.
std::string CleanPageText(std::string_view text);

// A JSON string literal, quotes included, of CleanPageText(text): a quote, a backslash and a
// control character are escaped, and "<" is written "\u003c", so that "</script>" or "<!--" in a
// name can neither end nor change the script element that holds the data.
std::string JsonString(std::string_view text);

// A relative link as the value of a double-quoted HREF or SRC: EscapeUrlPath, then
// EscapeAttributeText.
std::string EscapeLinkAttribute(std::string_view path);

// A link made safe as an unquoted attribute value, for the preview window's "<IMG SRC=" + path:
// every character that ends such a value or changes how it is read (space, "\"", "'", "=", "<",
// ">", "`", "&") is percent-encoded. Apply to a link already escaped by EscapeUrlPath.
std::string EscapeUnquotedAttributeUrl(std::string_view url);

// Text made safe inside a double-quoted attribute value: "&" becomes "&amp;" (so that a name
// holding "&apos;" or "&copy" reaches the browser as written) and "\"" becomes "&quot;".
std::string EscapeAttributeText(std::string_view text);

// Text made safe in the body of a page: "&", "<" and ">" become "&amp;", "&lt;" and "&gt;";
// nothing else changes (spaces and line breaks stay as they are).
std::string EscapeHtmlText(std::string_view text);

// Text made safe inside a quoted JavaScript string literal: a backslash, a single and a double
// quote get a backslash before them; a control character and "<" are written as "\xNN", so that a
// line break cannot end the literal and "</" cannot end the script element around it.
std::string EscapeJsString(std::string_view text);

// A link for a "JavaScript:" HREF: the browser percent-decodes such a URL once before running it,
// so every "%" of the escaped link is encoded once more ("%23" becomes "%2523"), and the result is
// escaped for a single-quoted string. The result still needs EscapeAttributeText in the HREF.
std::string EscapeJsUrlInHref(std::string_view escaped_url);

// The bytes of a page from its UTF-8 text: CP932, characters CP932 cannot hold as numeric character
// references, and every "\n" written as "\r\n" (as a text-mode write does, so a "\r\n" already in a
// title becomes "\r\r\n").
std::string ToPageBytes(std::string_view utf8_text);

#pragma once
#include <cstddef>
#include <string>

// Percent-encoding of what goes into a request line.
//
//   EncodePath: a whole path as the project author or a peer wrote it ("/cgi/level?v=42"): its
//   slashes, query and existing %XX escapes stay, while every byte that may not stand in a
//   request line (controls, space, non-ASCII, '"' '#' '<' '>' '\' '^' '`' '{' '|' '}') and the
//   colon are written as %XX. "/a b:c" gives "/a%20b%3Ac".
//
//   EncodeComponent: one path segment or query value taken from a peer (a file name): every byte
//   but the unreserved ones (A-Z a-z 0-9 - . _ ~) is written as %XX, so "&", "#", "%", "+", "/"
//   and "?" in a name reach the server as part of the name.
class CHttpPathEncoder
{
public:
    static void EncodePath(const char* text, size_t length, std::string& out);
    static void EncodeComponent(const char* text, size_t length, std::string& out);
};

// How an address reads in the bar: the engine's address made readable, without changing where it leads.
#pragma once

#include <string>

// The address as the bar shows it. The user name and password are left out. After the host, each
// percent-encoded UTF-8 character is shown as itself where that is safe to read; every escaped ASCII
// byte (spaces, controls, "%", and the delimiters "/?#&=+" that change how an address is read), invalid
// UTF-8, and characters that are invisible, reorder text, read as spaces or imitate "/", "\", "@" and
// "%" stay encoded. The host stays as the engine gives it (an international name in its xn-- form).
std::wstring DisplayAddress(const std::wstring& url);

// What a copy of the bar's selection from start to end (start <= end) gives: the exact address when the whole text
// is selected and still reads as that address; otherwise the selected text.
std::wstring TextToCopy(const std::wstring& barText, size_t start, size_t end, const std::wstring& address);

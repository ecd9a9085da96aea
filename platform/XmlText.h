// How values are spelled in the XML documents the program writes: the escaping of texts and
// the number formats. XmlWriter writes everything through these; they are also usable on
// their own wherever XML text is made in memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Appends the text as UTF-8 with every markup character escaped, so that it can stand in
// element content and in attribute values quoted with either quotation mark:
//   "  &quot;    '  &apos;    &  &amp;    <  &lt;    >  &gt;
//   line feed &#x0a;   carriage return &#x0d;   tab &#x09;
//   any character with bit 7 of its code set: &#x + lower-case hex, at least two digits + ;
//   everything else: itself, in UTF-8.
// Characters that XML 1.0 does not allow (other C0 controls, surrogates, U+FFFE, U+FFFF,
// codes above U+10FFFF) can't be carried by any XML document; each is written as U+FFFD
// (&#xfffd;) so that the document always reads back.
void AppendXmlEscaped(std::string& out, std::wstring_view text);
std::string XmlEscaped(std::wstring_view text);

// True for the characters XML 1.0 allows in a document.
bool IsXmlChar(wchar_t c);

// Numbers, always in the C locale whatever the user's locale is.
std::string XmlFormatLong(int32_t value);
std::string XmlFormatULong(uint32_t value);
std::string XmlFormatUShort(uint16_t value);
// The standard stream's default floating format: at most 6 significant digits, no trailing
// zeros, no decimal point for whole numbers, the exponent form (1.23457e+06, 1e-07) when the
// decimal exponent is below -4 or at least 6.
std::string XmlFormatDouble(double value);

// Hand-built worksheet records for the reader tests, the fuzz seeds and the benchmarks:
// Lotus WK1/WQ1/WK3, Quattro WB1 and Excel BIFF cells, each a u16 type, a u16 body length
// and the body, little-endian.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/byte_codec.h"

namespace exchange_test {

using Bytes = std::vector<std::uint8_t>;

class SheetBuilder {
 public:
  SheetBuilder& Record(std::uint16_t type, const Bytes& body) {
    w_.U16(type);
    w_.U16(static_cast<std::uint16_t>(body.size()));
    w_.Raw(body);
    return *this;
  }
  // A record whose length field claims `length` whatever follows.
  SheetBuilder& RawHeader(std::uint16_t type, std::uint16_t length) {
    w_.U16(type);
    w_.U16(length);
    return *this;
  }
  SheetBuilder& Append(const Bytes& bytes) {
    w_.Raw(bytes);
    return *this;
  }
  Bytes Take() { return w_.Take(); }

  // Lotus WK1 (the release 2 BOF) and the WQ1 BOF.
  SheetBuilder& Wk1Bof() { return Record(0, {0x06, 0x04}); }
  SheetBuilder& Wq1Bof() { return Record(0, {0x20, 0x51}); }
  SheetBuilder& Wk1Number(int col, int row, double v) {
    bytes::ByteWriter b;
    Wk1Address(b, col, row);
    b.F64(v);
    return Record(14, b.Take());
  }
  SheetBuilder& Wk1Integer(int col, int row, std::int16_t v) {
    bytes::ByteWriter b;
    Wk1Address(b, col, row);
    b.I16(v);
    return Record(13, b.Take());
  }
  SheetBuilder& Wk1Formula(int col, int row, double v) {
    bytes::ByteWriter b;
    Wk1Address(b, col, row);
    b.F64(v);
    b.U16(3), b.U8(1), b.U8(2), b.U8(3);  // formula length and bytes, skipped by readers
    return Record(16, b.Take());
  }
  // A label with its alignment prefix; a WQ1 label carries one more byte before it.
  SheetBuilder& Wk1Label(int col, int row, std::string_view text, bool wq1 = false) {
    bytes::ByteWriter b;
    Wk1Address(b, col, row);
    if (wq1) b.U8(0);
    b.U8('\'');
    b.Raw(text.data(), text.size());
    b.U8(0);
    return Record(15, b.Take());
  }
  SheetBuilder& Wk1Eof() { return Record(1, {}); }

  // Lotus WK3: a BOF of 26 bytes (bytes 4-6 of the file 0x00 0x10 0x04).
  SheetBuilder& Wk3Bof() {
    Bytes body(26, 0);
    body[1] = 0x10, body[2] = 0x04;
    return Record(0, body);
  }
  SheetBuilder& Wk3Number(int sheet, int col, int row, long double v) {
    bytes::ByteWriter b;
    Wk3Address(b, sheet, col, row);
    b.Extended(v);
    return Record(23, b.Take());
  }
  SheetBuilder& Wk3Packed(int sheet, int col, int row, std::uint8_t b0, std::uint8_t b1) {
    bytes::ByteWriter b;
    Wk3Address(b, sheet, col, row);
    b.U8(b0), b.U8(b1);
    return Record(24, b.Take());
  }
  SheetBuilder& Wk3Formula(int sheet, int col, int row, long double v) {
    bytes::ByteWriter b;
    Wk3Address(b, sheet, col, row);
    b.Extended(v);
    b.U16(0), b.U8(0x03), b.U8(0x05);
    return Record(25, b.Take());
  }
  SheetBuilder& Wk3Label(int sheet, int col, int row, std::string_view text) {
    bytes::ByteWriter b;
    Wk3Address(b, sheet, col, row);
    b.U8('\'');
    b.Raw(text.data(), text.size());
    b.U8(0);
    return Record(22, b.Take());
  }

  // Quattro Pro for Windows WB1: the BOF of notebook version 0x1001.
  SheetBuilder& Wb1Bof() { return Record(0, {0x01, 0x10}); }
  SheetBuilder& Wb1Number(int sheet, int col, int row, double v) {
    bytes::ByteWriter b;
    Wb1Address(b, sheet, col, row);
    b.F64(v);
    return Record(14, b.Take());
  }
  SheetBuilder& Wb1Label(int sheet, int col, int row, std::string_view text) {
    bytes::ByteWriter b;
    Wb1Address(b, sheet, col, row);
    b.U8('\'');
    b.Raw(text.data(), text.size());
    b.U8(0);
    return Record(15, b.Take());
  }

  // Excel BIFF: BOF (version, substream 0x0010 worksheet or 0x0005 workbook globals).
  SheetBuilder& BiffBof(std::uint16_t type, std::uint16_t version, std::uint16_t substream) {
    bytes::ByteWriter b;
    b.U16(version), b.U16(substream);
    b.Zeros(type == 0x0809 ? 12 : 2);
    return Record(type, b.Take());
  }
  SheetBuilder& BiffNumber(int row, int col, double v) {
    bytes::ByteWriter b;
    BiffAddress(b, row, col);
    b.F64(v);
    return Record(0x0203, b.Take());
  }
  SheetBuilder& BiffRk(int row, int col, std::uint32_t rk) {
    bytes::ByteWriter b;
    BiffAddress(b, row, col);
    b.U32(rk);
    return Record(0x027E, b.Take());
  }
  SheetBuilder& BiffMulRk(int row, int firstCol, const std::vector<std::uint32_t>& rks) {
    bytes::ByteWriter b;
    b.U16(static_cast<std::uint16_t>(row)), b.U16(static_cast<std::uint16_t>(firstCol));
    for (std::uint32_t rk : rks) b.U16(15), b.U32(rk);
    b.U16(static_cast<std::uint16_t>(firstCol + static_cast<int>(rks.size()) - 1));
    return Record(0x00BD, b.Take());
  }
  SheetBuilder& BiffBoolErr(int row, int col, std::uint8_t value, bool error) {
    bytes::ByteWriter b;
    BiffAddress(b, row, col);
    b.U8(value), b.U8(error ? 1 : 0);
    return Record(0x0205, b.Take());
  }
  // A FORMULA record with an 8-byte result (the raw bytes) and a short formula.
  SheetBuilder& BiffFormula(int row, int col, const Bytes& result, std::uint16_t type = 0x0006) {
    bytes::ByteWriter b;
    BiffAddress(b, row, col);
    b.Raw(result);
    b.U16(0), b.U32(0), b.U16(3), b.U8(0x1E), b.U16(7);
    return Record(type, b.Take());
  }
  static Bytes NumberResult(double v) {
    bytes::ByteWriter b;
    b.F64(v);
    return b.Take();
  }
  // A result that is not a number: 0 string, 1 boolean (value), 2 error (code).
  static Bytes OtherResult(std::uint8_t kind, std::uint8_t value) { return {kind, 0, value, 0, 0, 0, 0xFF, 0xFF}; }
  // LABEL of BIFF2-5: an 8-bit text with a u16 length.
  SheetBuilder& BiffLabel(int row, int col, std::string_view text) {
    bytes::ByteWriter b;
    BiffAddress(b, row, col);
    b.U16(static_cast<std::uint16_t>(text.size()));
    b.Raw(text.data(), text.size());
    return Record(0x0204, b.Take());
  }
  SheetBuilder& BiffLabelSst(int row, int col, std::uint32_t index) {
    bytes::ByteWriter b;
    BiffAddress(b, row, col);
    b.U32(index);
    return Record(0x00FD, b.Take());
  }
  SheetBuilder& BiffEof() { return Record(0x000A, {}); }

  // The RK forms: an integer, and a double whose low 34 bits are zero.
  static std::uint32_t RkInteger(std::int32_t v, bool hundredths = false) {
    return static_cast<std::uint32_t>(v) << 2 | 2u | (hundredths ? 1u : 0u);
  }
  static std::uint32_t RkDouble(double v, bool hundredths = false) {
    bytes::ByteWriter b;
    b.F64(v);
    const Bytes d = b.Take();
    return (bytes::LoadU32(&d[4]) & 0xFFFFFFFCu) | (hundredths ? 1u : 0u);
  }

 private:
  static void Wk1Address(bytes::ByteWriter& b, int col, int row) {
    b.U8(0xFF);  // format byte
    b.U16(static_cast<std::uint16_t>(col)), b.U16(static_cast<std::uint16_t>(row));
  }
  static void Wk3Address(bytes::ByteWriter& b, int sheet, int col, int row) {
    b.U16(static_cast<std::uint16_t>(row)), b.U8(static_cast<std::uint8_t>(sheet)), b.U8(static_cast<std::uint8_t>(col));
  }
  static void Wb1Address(bytes::ByteWriter& b, int sheet, int col, int row) {
    b.U8(static_cast<std::uint8_t>(col)), b.U8(static_cast<std::uint8_t>(sheet));
    b.U16(static_cast<std::uint16_t>(row)), b.U16(0);
  }
  static void BiffAddress(bytes::ByteWriter& b, int row, int col) {
    b.U16(static_cast<std::uint16_t>(row)), b.U16(static_cast<std::uint16_t>(col)), b.U16(15);
  }
  bytes::ByteWriter w_;
};

}  // namespace exchange_test

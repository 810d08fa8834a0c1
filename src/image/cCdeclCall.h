#pragma once
// cCdeclCall: calls C functions of a dynamic library by name, or any C function by
// address, and makes entry points through which C code calls back into the program.
//
// Libraries load through sys::LoadLibrary, so the program's names map to this system's
// ("zlib1.dll" and "zlib.dll" to libz.so.1) and a library marked absent does not load.
// Calls go through libffi; no machine code is written at run time.
//
// Arguments: up to 16, each an integer, an address or a LengthCell. Without a prototype
// every argument is passed pointer-sized (integers sign-extended). With an exact
// prototype (zlib's functions are known by name; CallPointer takes one) each argument is
// converted to its parameter's C type: a value that does not fit a 32-bit parameter
// raises Overflow (6), an address where a number is due or a number where a length cell
// is due raises Type mismatch (13).
//
// Length cells: where a caller passes "the address of a 32-bit variable" for the callee to
// write a length into (zlib's uLongf*, 64 bits here), the caller passes
// LengthCell(variable). The call hands the callee the address of a zeroed 64-bit cell
// holding the variable's 32 bits, so a callee writing 4 or 8 bytes stays inside it, and
// copies the cell back afterwards; a value beyond 32 bits raises Overflow (6), leaving
// the variable as it was. The callee never receives the variable's own address.
//
// Results: ReturnType 0 byte, 1 16-bit integer, 2 32-bit integer, 3 currency (the 64-bit
// return as value x 10000), 4 float, 5 double, 6 nothing. An integer result keeps the low
// bits of the returned register, so a byte or 16-bit result is never widened with garbage.
//
// Callbacks: 60 slots per object (nIndex 1..60), shared by CallbackCdecl and CallbackObj;
// writing a slot replaces what it held; the entry points live as long as the object.
//
// Not here: ordinals ("#5") and the fastcall convention mean nothing on this platform and
// fail as a function that is not found (error 1); the wide-loader flag is gone (names are
// UTF-8 file names); bCDECL changes nothing (there is one C convention).
//
// Errors are runtime::Error with the numbers -2147221504 + k (k below) and the source
// "cCdeclCall.<member>": 0 "DLL failed load", 1 "Function not found", 2 and 3 "Too many
// parameters", 4 "Unknown return type", 5 and 6 "Invalid parameter", 7 "Ordinal not
// found". The object stays usable after any of them.
//
// One thread; a call that re-enters the same object from a callback is not supported.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/sys/libraries.h"

class cCdeclCall {
public:
    enum ReturnTypeCode : int32_t {
        ReturnByte = 0,
        ReturnInteger = 1,
        ReturnLong = 2,
        ReturnCurrency = 3,
        ReturnSingle = 4,
        ReturnDouble = 5,
        ReturnNothing = 6,
    };

    static constexpr long kErrorBase = -2147221504;  // &H80040000
    static constexpr int kMaxArguments = 16;
    static constexpr int kCallbackSlots = 60;

    // A currency value: the 64-bit integer is the value times 10000.
    struct Currency {
        int64_t scaled = 0;
        friend bool operator==(const Currency&, const Currency&) = default;
    };
    using Result = std::variant<std::monostate, uint8_t, int16_t, int32_t, Currency, float, double>;

    // The 32-bit variable a callee writes a length into (see above).
    class LengthCell {
    public:
        explicit LengthCell(int32_t& variable) : variable_(&variable) {}
        int32_t* variable() const { return variable_; }

    private:
        int32_t* variable_;
    };

    class Arg {
    public:
        enum class Kind { Integer, Address, Cell };
        template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
        Arg(T value) : kind_(Kind::Integer), value_(int64_t(value)), unsigned_(std::is_unsigned_v<T>) {}
        Arg(const void* address) : kind_(Kind::Address), value_(int64_t(reinterpret_cast<intptr_t>(address))) {}
        Arg(std::nullptr_t) : kind_(Kind::Address) {}
        Arg(LengthCell cell) : kind_(Kind::Cell), cell_(cell.variable()) {}

        Kind kind() const { return kind_; }
        int64_t value() const { return value_; }
        bool isUnsigned() const { return unsigned_; }
        int32_t* cell() const { return cell_; }

    private:
        Kind kind_;
        int64_t value_ = 0;
        bool unsigned_ = false;
        int32_t* cell_ = nullptr;
    };

    // C types of an exact prototype. Long and ULong are C's long (64 bits here).
    enum class CType { Void, Int, UInt, Long, ULong, Pointer, LengthCellPointer, Float, Double };
    struct Prototype {
        CType result = CType::Long;
        std::vector<CType> params;
    };
    // The prototype the bridge knows for a function of a library by the program's name
    // (zlib's crc32, adler32, compress, compress2, uncompress, compressBound, zlibVersion
    // in "zlib1.dll" or "zlib.dll"); nullptr for any other.
    static const Prototype* KnownPrototype(const std::string& strDLL, const std::string& strFunction);

    // What CallbackObj calls into: an object whose methods form runs, one run per objType.
    class CallbackObject {
    public:
        virtual ~CallbackObject() = default;
        // Methods in the run of objType; 0 when there is none.
        virtual int32_t MethodCount(int32_t objType) const = 0;
        // Calls method `index` (from 0, in table order) of the run with the C caller's
        // arguments; the result is what the C caller receives.
        virtual intptr_t Invoke(int32_t objType, int32_t index, std::span<const intptr_t> args) = 0;
    };

    // An integer, float or double result as a 32-bit integer (floats rounded, halves to
    // even); 0 for nothing. For callers that read every result as Long.
    static int32_t LongOf(const Result& result);

    cCdeclCall();
    ~cCdeclCall();
    cCdeclCall(const cCdeclCall&) = delete;
    cCdeclCall& operator=(const cCdeclCall&) = delete;

    bool FastCall() const { return fastCall_; }
    // Stored; while True every call fails with error 1, as no fastcall function exists here.
    void FastCall(bool bValue) { fastCall_ = bValue; }
    // errno right after the most recent call through CallFunc or CallPointer (set to 0
    // just before it).
    int32_t LastError() const { return lastError_; }

    // Calls strFunction of the library strDLL. The library stays loaded until another
    // one loads in its place or the object ends; names are compared without regard to
    // case for libraries and exactly for functions, and a function already resolved is
    // not looked up again. Errors 0, 1, 2 (after the library and function are in place),
    // 4; an empty strFunction due for a lookup raises Invalid procedure call (5). With no
    // function in place (the last lookup after a library change failed, or CallPointer
    // was given nullptr) a call raises error 1 and calls nothing.
    Result CallFunc(const std::string& strDLL, int32_t ReturnType, const std::string& strFunction,
                    std::span<const Arg> ParamLongs);
    Result CallFunc(const std::string& strDLL, int32_t ReturnType, const std::string& strFunction,
                    std::initializer_list<Arg> ParamLongs = {}) {
        return CallFunc(strDLL, ReturnType, strFunction, std::span<const Arg>(ParamLongs.begin(), ParamLongs.size()));
    }
    // Calls the function at fnAddress, with an exact prototype when one is given. The next
    // CallFunc looks its function up again. Errors 3, 4, and 1 for nullptr (nothing is
    // called).
    Result CallPointer(int32_t ReturnType, const void* fnAddress, std::span<const Arg> ParamLongs,
                       const Prototype* prototype = nullptr);
    Result CallPointer(int32_t ReturnType, const void* fnAddress,
                       std::initializer_list<Arg> ParamLongs = {}, const Prototype* prototype = nullptr) {
        return CallPointer(ReturnType, fnAddress, std::span<const Arg>(ParamLongs.begin(), ParamLongs.size()),
                           prototype);
    }

    // An entry point taking nParams pointer-sized arguments that calls the procedure at
    // nModFuncAddr (intptr_t f(intptr_t...)) with them and returns its result. nIndex
    // outside 1..60 or nParams above 60: error 5; a negative nParams: Overflow (6).
    void* CallbackCdecl(const void* nModFuncAddr, int32_t nParams, int32_t nIndex = 1);
    // An entry point taking nParams pointer-sized arguments that calls the method of
    // objCallback nOrdinal places from the end of the run of objType (1 = the last) and
    // returns its result. The object is not owned and must outlive every use of the
    // entry point. nIndex outside 1..60 or nParams above 60: error 6; no such method:
    // error 7; a negative nParams: Overflow (6).
    void* CallbackObj(int32_t objType, CallbackObject& objCallback, int32_t nParams,
                      int32_t nOrdinal = 1, bool bCDECL = false, int32_t nIndex = 1);

    // Where a slot's entry point is, for tests; nullptr for an empty slot.
    void* CallbackAddress(int32_t nIndex) const;

    struct Slot;  // one callback slot's closure and target (cCdeclCall.cpp)

private:

    Result CallCommon(int32_t ReturnType, const void* target, std::span<const Arg> args,
                      const Prototype* prototype);
    Slot& prepareSlot(int32_t nIndex, int32_t nParams);

    bool fastCall_ = false;
    int32_t lastError_ = 0;
    sys::LibraryHandle library_ = 0;
    std::string libraryName_;
    std::string functionName_;
    const void* target_ = nullptr;
    const Prototype* targetPrototype_ = nullptr;
    std::array<std::unique_ptr<Slot>, kCallbackSlots> slots_;
};

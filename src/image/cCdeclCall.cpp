// cCdeclCall over sys::LoadLibrary and libffi: calls by name and by address, length
// cells, callbacks through libffi closures.

#include "image/cCdeclCall.h"

#include <ffi.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/runtime/error.h"

struct cCdeclCall::Slot {
    ffi_closure* closure = nullptr;
    void* code = nullptr;
    ffi_cif cif{};
    std::vector<ffi_type*> types;
    int32_t nParams = 0;
    // CallbackCdecl
    const void* procedure = nullptr;
    // CallbackObj
    CallbackObject* object = nullptr;
    int32_t objType = 0;
    int32_t method = 0;

    ~Slot() {
        if (closure) ffi_closure_free(closure);
    }
};

namespace {

[[noreturn]] void raiseBridge(int k, const char* member, const char* description) {
    throw runtime::Error(cCdeclCall::kErrorBase + k, description, std::string("cCdeclCall.") + member);
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

ffi_type* ffiTypeOf(cCdeclCall::CType t) {
    using T = cCdeclCall::CType;
    switch (t) {
    case T::Void: return &ffi_type_void;
    case T::Int: return &ffi_type_sint32;
    case T::UInt: return &ffi_type_uint32;
    case T::Long: return &ffi_type_slong;
    case T::ULong: return &ffi_type_ulong;
    case T::Pointer:
    case T::LengthCellPointer: return &ffi_type_pointer;
    case T::Float: return &ffi_type_float;
    case T::Double: return &ffi_type_double;
    }
    return &ffi_type_void;
}

// One argument in the form its C parameter takes.
union ArgValue {
    int32_t i32;
    uint32_t u32;
    long l;
    unsigned long ul;
    void* p;
    float f;
    double d;
    int64_t i64;
};

bool fitsIn32(const cCdeclCall::Arg& a) {
    // A 32-bit parameter takes any 32-bit pattern, as signed or as unsigned.
    if (a.isUnsigned()) return uint64_t(a.value()) <= std::numeric_limits<uint32_t>::max();
    return a.value() >= std::numeric_limits<int32_t>::min() &&
           a.value() <= int64_t(std::numeric_limits<uint32_t>::max());
}

ArgValue convert(const cCdeclCall::Arg& a, cCdeclCall::CType t, uint64_t* cell) {
    using T = cCdeclCall::CType;
    using K = cCdeclCall::Arg::Kind;
    ArgValue v;
    v.i64 = 0;
    if (a.kind() == K::Cell) {
        if (t != T::LengthCellPointer) runtime::raise(runtime::kErrTypeMismatch);
        *cell = uint32_t(*a.cell());
        v.p = cell;
        return v;
    }
    switch (t) {
    case T::Int:
    case T::UInt:
        if (a.kind() != K::Integer) runtime::raise(runtime::kErrTypeMismatch);
        if (!fitsIn32(a)) runtime::raise(runtime::kErrOverflow);
        v.u32 = uint32_t(a.value());
        break;
    case T::Long:
    case T::ULong:
        if (a.kind() != K::Integer) runtime::raise(runtime::kErrTypeMismatch);
        v.i64 = a.value();
        break;
    case T::Pointer: v.p = reinterpret_cast<void*>(intptr_t(a.value())); break;
    case T::LengthCellPointer:
        // Only a cell or no address at all: never a bare address the callee might write
        // 8 bytes through.
        if (a.value() != 0) runtime::raise(runtime::kErrTypeMismatch);
        v.p = nullptr;
        break;
    case T::Float:
        if (a.kind() != K::Integer) runtime::raise(runtime::kErrTypeMismatch);
        v.f = float(a.isUnsigned() ? double(uint64_t(a.value())) : double(a.value()));
        break;
    case T::Double:
        if (a.kind() != K::Integer) runtime::raise(runtime::kErrTypeMismatch);
        v.d = a.isUnsigned() ? double(uint64_t(a.value())) : double(a.value());
        break;
    case T::Void: runtime::raise(runtime::kErrTypeMismatch);
    }
    return v;
}

const cCdeclCall::Prototype kCrc{cCdeclCall::CType::ULong,
                                 {cCdeclCall::CType::ULong, cCdeclCall::CType::Pointer, cCdeclCall::CType::UInt}};
const cCdeclCall::Prototype kCompress{
    cCdeclCall::CType::Int,
    {cCdeclCall::CType::Pointer, cCdeclCall::CType::LengthCellPointer, cCdeclCall::CType::Pointer,
     cCdeclCall::CType::ULong}};
const cCdeclCall::Prototype kCompress2{
    cCdeclCall::CType::Int,
    {cCdeclCall::CType::Pointer, cCdeclCall::CType::LengthCellPointer, cCdeclCall::CType::Pointer,
     cCdeclCall::CType::ULong, cCdeclCall::CType::Int}};
const cCdeclCall::Prototype kBound{cCdeclCall::CType::ULong, {cCdeclCall::CType::ULong}};
const cCdeclCall::Prototype kVersion{cCdeclCall::CType::Pointer, {}};

// Callback entry points: the C caller's arguments go on to the procedure or the method.
void procedureEntry(ffi_cif* cif, void* ret, void** args, void* data) {
    auto* slot = static_cast<cCdeclCall::Slot*>(data);
    ffi_call(cif, FFI_FN(slot->procedure), ret, args);
}

void objectEntry(ffi_cif*, void* ret, void** args, void* data) {
    auto* slot = static_cast<cCdeclCall::Slot*>(data);
    std::vector<intptr_t> values(size_t(slot->nParams));
    for (int32_t i = 0; i < slot->nParams; ++i) std::memcpy(&values[size_t(i)], args[i], sizeof(intptr_t));
    intptr_t result = 0;
    try {
        result = slot->object->Invoke(slot->objType, slot->method, values);
    } catch (...) {
        // Nothing may unwind through the C caller's frames.
        result = 0;
    }
    *static_cast<ffi_sarg*>(ret) = ffi_sarg(result);
}

}  // namespace

const cCdeclCall::Prototype* cCdeclCall::KnownPrototype(const std::string& strDLL,
                                                        const std::string& strFunction) {
    const std::string dll = lower(strDLL);
    if (dll != "zlib1.dll" && dll != "zlib.dll") return nullptr;
    if (strFunction == "crc32" || strFunction == "adler32") return &kCrc;
    if (strFunction == "compress" || strFunction == "uncompress") return &kCompress;
    if (strFunction == "compress2") return &kCompress2;
    if (strFunction == "compressBound") return &kBound;
    if (strFunction == "zlibVersion") return &kVersion;
    return nullptr;
}

int32_t cCdeclCall::LongOf(const Result& result) {
    struct Visitor {
        int32_t operator()(std::monostate) const { return 0; }
        int32_t operator()(uint8_t v) const { return v; }
        int32_t operator()(int16_t v) const { return v; }
        int32_t operator()(int32_t v) const { return v; }
        int32_t operator()(Currency v) const { return int32_t(std::lrint(double(v.scaled) / 10000)); }
        int32_t operator()(float v) const { return int32_t(std::lrint(v)); }
        int32_t operator()(double v) const { return int32_t(std::lrint(v)); }
    };
    return std::visit(Visitor{}, result);
}

cCdeclCall::cCdeclCall() = default;

cCdeclCall::~cCdeclCall() {
    if (library_) sys::FreeLibrary(library_);
}

cCdeclCall::Result cCdeclCall::CallFunc(const std::string& strDLL, int32_t ReturnType,
                                        const std::string& strFunction, std::span<const Arg> ParamLongs) {
    bool libraryChanged = false;
    if (lower(strDLL) != lower(libraryName_) || !library_) {
        const sys::LibraryHandle loaded = sys::LoadLibrary(strDLL);
        if (!loaded) raiseBridge(0, "CallFunc", "DLL failed load");
        if (library_) sys::FreeLibrary(library_);
        library_ = loaded;
        libraryName_ = strDLL;
        libraryChanged = true;
        // The old target lay in the library just let go: never call it again.
        functionName_.clear();
        target_ = nullptr;
        targetPrototype_ = nullptr;
    }
    if (fastCall_) raiseBridge(1, "CallFunc", "Function not found");
    if (strFunction != functionName_ || libraryChanged) {
        if (strFunction.empty()) runtime::raise(runtime::kErrInvalidProcedureCall);
        // Ordinals ("#5") are never found.
        const void* address = sys::GetProcAddress(library_, strFunction);
        if (!address) raiseBridge(1, "CallFunc", "Function not found");
        target_ = address;
        functionName_ = strFunction;
        targetPrototype_ = KnownPrototype(strDLL, strFunction);
    }
    if (ParamLongs.size() > size_t(kMaxArguments)) raiseBridge(2, "CallFunc", "Too many parameters");
    // No function in place: a lookup in a newly loaded library failed, or a null
    // CallPointer took the target, and no name asked for a new lookup.
    if (!target_) raiseBridge(1, "CallFunc", "Function not found");
    return CallCommon(ReturnType, target_, ParamLongs, targetPrototype_);
}

cCdeclCall::Result cCdeclCall::CallPointer(int32_t ReturnType, const void* fnAddress,
                                           std::span<const Arg> ParamLongs, const Prototype* prototype) {
    if (ParamLongs.size() > size_t(kMaxArguments)) raiseBridge(3, "CallPointer", "Too many parameters");
    functionName_.clear();
    if (fastCall_) raiseBridge(1, "CallPointer", "Function not found");
    target_ = fnAddress;
    targetPrototype_ = nullptr;
    if (!fnAddress) raiseBridge(1, "CallPointer", "Function not found");
    return CallCommon(ReturnType, fnAddress, ParamLongs, prototype);
}

cCdeclCall::Result cCdeclCall::CallCommon(int32_t ReturnType, const void* target,
                                          std::span<const Arg> args, const Prototype* prototype) {
    if (ReturnType < ReturnByte || ReturnType > ReturnNothing)
        raiseBridge(4, "CallCommon", "Unknown return type");
    if (prototype && prototype->params.size() != args.size())
        runtime::raise(runtime::kErrInvalidProcedureCall);

    const size_t n = args.size();
    std::array<ffi_type*, kMaxArguments> types{};
    std::array<ArgValue, kMaxArguments> values{};
    std::array<void*, kMaxArguments> pointers{};
    std::array<uint64_t, kMaxArguments> cells{};
    for (size_t i = 0; i < n; ++i) {
        if (prototype) {
            types[i] = ffiTypeOf(prototype->params[i]);
            values[i] = convert(args[i], prototype->params[i], &cells[i]);
        } else {
            // Pointer-sized, integers sign-extended; a cell's address as any address.
            types[i] = &ffi_type_sint64;
            values[i] = args[i].kind() == Arg::Kind::Cell
                            ? convert(args[i], CType::LengthCellPointer, &cells[i])
                            : ArgValue{.i64 = args[i].value()};
        }
        pointers[i] = &values[i];
    }

    ffi_type* resultType;
    if (prototype) resultType = ffiTypeOf(prototype->result);
    else if (ReturnType == ReturnSingle) resultType = &ffi_type_float;
    else if (ReturnType == ReturnDouble) resultType = &ffi_type_double;
    else if (ReturnType == ReturnNothing) resultType = &ffi_type_void;
    else resultType = &ffi_type_sint64;

    ffi_cif cif;
    if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, unsigned(n), resultType, types.data()) != FFI_OK)
        runtime::raise(runtime::kErrInvalidProcedureCall);

    alignas(16) unsigned char raw[16] = {};
    errno = 0;
    ffi_call(&cif, FFI_FN(target), raw, pointers.data());
    lastError_ = errno;

    // Cells back into their variables: only values a 32-bit variable can hold.
    for (size_t i = 0; i < n; ++i) {
        if (args[i].kind() != Arg::Kind::Cell) continue;
        if (cells[i] > std::numeric_limits<uint32_t>::max()) runtime::raise(runtime::kErrOverflow);
        *args[i].cell() = int32_t(uint32_t(cells[i]));
    }

    // The returned value as a number of each kind; integer results keep their low bits.
    int64_t integer = 0;
    double real = 0;
    if (resultType == &ffi_type_float) {
        float f;
        std::memcpy(&f, raw, sizeof f);
        real = f;
        integer = std::llrint(real);
    } else if (resultType == &ffi_type_double) {
        std::memcpy(&real, raw, sizeof real);
        integer = std::llrint(real);
    } else if (resultType != &ffi_type_void) {
        ffi_arg word;  // libffi widens small integer results to a whole register
        std::memcpy(&word, raw, sizeof word);
        integer = int64_t(word);
        if (resultType == &ffi_type_sint32) integer = int32_t(uint32_t(word));
        else if (resultType == &ffi_type_uint32) integer = uint32_t(word);
        real = double(integer);
    }
    switch (ReturnType) {
    case ReturnByte: return uint8_t(integer);
    case ReturnInteger: return int16_t(uint16_t(integer));
    case ReturnLong: return int32_t(uint32_t(integer));
    case ReturnCurrency: return Currency{integer};
    case ReturnSingle: return float(real);
    case ReturnDouble: return real;
    default: return std::monostate{};
    }
}

cCdeclCall::Slot& cCdeclCall::prepareSlot(int32_t nIndex, int32_t nParams) {
    auto slot = std::make_unique<Slot>();
    slot->nParams = nParams;
    slot->types.assign(size_t(nParams), &ffi_type_sint64);
    if (ffi_prep_cif(&slot->cif, FFI_DEFAULT_ABI, unsigned(nParams), &ffi_type_sint64,
                     slot->types.data()) != FFI_OK)
        runtime::raise(runtime::kErrOutOfMemory);
    slot->closure = static_cast<ffi_closure*>(ffi_closure_alloc(sizeof(ffi_closure), &slot->code));
    if (!slot->closure) runtime::raise(runtime::kErrOutOfMemory);
    slots_[size_t(nIndex - 1)] = std::move(slot);
    return *slots_[size_t(nIndex - 1)];
}

void* cCdeclCall::CallbackCdecl(const void* nModFuncAddr, int32_t nParams, int32_t nIndex) {
    if (nIndex < 1 || nIndex > kCallbackSlots || nParams > 60)
        raiseBridge(5, "CallbackCdecl", "Invalid parameter");
    if (nParams < 0) runtime::raise(runtime::kErrOverflow);
    Slot& slot = prepareSlot(nIndex, nParams);
    slot.procedure = nModFuncAddr;
    if (ffi_prep_closure_loc(slot.closure, &slot.cif, procedureEntry, &slot, slot.code) != FFI_OK)
        runtime::raise(runtime::kErrOutOfMemory);
    return slot.code;
}

void* cCdeclCall::CallbackObj(int32_t objType, CallbackObject& objCallback, int32_t nParams,
                              int32_t nOrdinal, bool, int32_t nIndex) {
    if (nIndex < 1 || nIndex > kCallbackSlots || nParams > 60)
        raiseBridge(6, "CallbackObj", "Invalid parameter");
    const int32_t count = objCallback.MethodCount(objType);
    if (count <= 0 || nOrdinal < 1 || nOrdinal > count)
        raiseBridge(7, "CallbackObj", "Ordinal not found");
    if (nParams < 0) runtime::raise(runtime::kErrOverflow);
    Slot& slot = prepareSlot(nIndex, nParams);
    slot.object = &objCallback;
    slot.objType = objType;
    slot.method = count - nOrdinal;  // 1 = the last method of the run
    if (ffi_prep_closure_loc(slot.closure, &slot.cif, objectEntry, &slot, slot.code) != FFI_OK)
        runtime::raise(runtime::kErrOutOfMemory);
    return slot.code;
}

void* cCdeclCall::CallbackAddress(int32_t nIndex) const {
    if (nIndex < 1 || nIndex > kCallbackSlots || !slots_[size_t(nIndex - 1)]) return nullptr;
    return slots_[size_t(nIndex - 1)]->code;
}

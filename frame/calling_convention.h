// Compile-time checks that a function pointer type, or a function, uses the
// stdcall convention.
//
// On 32-bit Windows a stdcall callee pops its own arguments, a cdecl one
// leaves them to the caller: a pointer of the wrong kind compiles, and the
// first call through it unbalances the stack.  Windows calls everything the
// plug-in hands it (window, timer and DDE callbacks) as stdcall, the host its
// exports and handlers, and every COM or WinRT method slot is stdcall too.
// The native build defines WINAPI, CALLBACK and STDMETHODCALLTYPE as nothing
// and x86-64 has a single convention, so only the 32-bit Windows build can
// tell the two apart: there the checks are static assertions, elsewhere
// they vanish.
//
//   typedef HRESULT(STDMETHODCALLTYPE* Getter)(void* self, void* answer);
//   MR_ASSERT_STDCALL(Getter);            // a pointer type (at any scope)
//   MR_ASSERT_STDCALL_FUNCTION(myProc);   // a function, not overloaded
//
// Both accept noexcept types.  Variadic functions are always cdecl and are
// never the right type for these uses, so they fail the check.
#pragma once

namespace calling_convention {

template <class T>
struct IsStdcallPointer {
    static const bool value = false;
};

#if defined(_WIN32) && defined(__i386__)
template <class R, class... A>
struct IsStdcallPointer<R(__stdcall*)(A...)> {
    static const bool value = true;
};
template <class R, class... A>
struct IsStdcallPointer<R(__stdcall*)(A...) noexcept> {
    static const bool value = true;
};
#endif

}  // namespace calling_convention

#if defined(_WIN32) && defined(__i386__)
#define MR_ASSERT_STDCALL(PointerType)                                      \
    static_assert(calling_convention::IsStdcallPointer<PointerType>::value, \
                  #PointerType " must be a stdcall function pointer")
#define MR_ASSERT_STDCALL_FUNCTION(function)                                        \
    static_assert(calling_convention::IsStdcallPointer<decltype(&function)>::value, \
                  #function " must be declared stdcall (WINAPI or CALLBACK)")
#else
#define MR_ASSERT_STDCALL(PointerType) static_assert(true, "")
#define MR_ASSERT_STDCALL_FUNCTION(function) static_assert(true, "")
#endif

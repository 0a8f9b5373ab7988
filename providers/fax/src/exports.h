#pragma once
// The provider's exported entry points.

#include "pdx/interfaces.h"

#define VQFAX_EXPORT extern "C" __attribute__((visibility("default")))

VQFAX_EXPORT pdx::HRESULT ABProviderOpen(void* module, pdx::IPDXSupport* support, pdx::IProfSect* section,
                                         pdx::ULONG_PTR ulUIParam, pdx::ULONG flags,
                                         pdx::AllocateBufferFn allocateBuffer, pdx::AllocateMoreFn allocateMore,
                                         pdx::FreeBufferFn freeBuffer, pdx::IAddrBook** provider);

VQFAX_EXPORT pdx::HRESULT ABServiceEntry(void* module, pdx::ULONG_PTR ulUIParam, pdx::ULONG flags, pdx::ULONG context,
                                         pdx::ULONG count, const pdx::SPropValue* values, pdx::IProfSect* section,
                                         pdx::IPDXSupport* support);

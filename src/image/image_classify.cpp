#include "image/image_classify.h"

#include <windows.h>
#include <shlwapi.h>

int ClassifyImageFile(const std::wstring& path) {
  static const struct {
    const wchar_t* group;
    int value;
  } kGroups[] = {
      {L",bmp,dib,", 1},
      {L",jpg,jpeg,jfif,jpe,", 2},
      {L",gif,", 3},
      {L",tiff,tif,", 4},
      {L",png,", 5},
      {L",ico,", 6},
      {L",psd,", 7},
      {L",tga,", 8},
      {L",oxo,", 9},
      {L",wmf,", 12},
      {L",emf,", 13},
      {L",jng,", 14},
      {L",j2c,", 15},
      {L",3fr,arw,bay,bmq,cap,cine,cr2,crw,cs1,dc2,dcr,drf,dsc,dng,erf,fff,ia,iiq,k25,kc2,kdc,mdc,mef,mos,mrw,nef,"
       L"nrw,orf,pef,ptx,pxn,qtk,raf,raw,rdc,rw2,rwl,rwz,sr2,srf,srw,sti,x3f,",
       10},
      {L",cut,dds,exr,g3,hdr,iff,lbm,j2k,j2c,jng,jp2,jxr,wdp,hdp,koa,pcd,pcx,pfm,pct,pict,pic,pbm,pgm,ppm,ras,sgi,"
       L"rgb,rgba,bw,wap,wbmp,wbm,webp,xbm,xpm,",
       11},
  };
  const wchar_t* ext = ::PathFindExtensionW(path.c_str());
  if (!ext || *ext != L'.' || !ext[1]) return kNotAnImage;
  std::wstring wrapped = L"," + std::wstring(ext + 1) + L",";
  // A comma inside the extension could otherwise match across two entries.
  if (wrapped.find(L',', 1) != wrapped.size() - 1) return kNotAnImage;
  for (const auto& g : kGroups)
    if (::StrStrIW(g.group, wrapped.c_str())) return g.value;
  return kNotAnImage;
}

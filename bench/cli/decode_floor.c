/* The floor of the batch benchmark: libjpeg-turbo decoding every file given, one after the
 * other in one process on one core, at the smallest DCT scale (1/8 .. 8/8) whose output is
 * at least WIDTH x HEIGHT, as a converter needs it. The pixels are thrown away.
 *
 *   decode_floor WIDTH HEIGHT FILE.jpg...
 */
#include <stdio.h>
#include <stdlib.h>

#include <jpeglib.h>

static int decode(const char* path, unsigned want_w, unsigned want_h) {
  FILE* file = fopen(path, "rb");
  if (!file) return 0;
  struct jpeg_decompress_struct cinfo;
  struct jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.scale_denom = 8;
  for (cinfo.scale_num = 1; cinfo.scale_num < 8; ++cinfo.scale_num) {
    jpeg_calc_output_dimensions(&cinfo);
    if (cinfo.output_width >= want_w && cinfo.output_height >= want_h) break;
  }
  jpeg_start_decompress(&cinfo);
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)((j_common_ptr)&cinfo, JPOOL_IMAGE,
                                              cinfo.output_width * cinfo.output_components, 1);
  while (cinfo.output_scanline < cinfo.output_height) jpeg_read_scanlines(&cinfo, row, 1);
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  fclose(file);
  return 1;
}

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: decode_floor WIDTH HEIGHT FILE.jpg...\n");
    return 2;
  }
  const unsigned w = (unsigned)atoi(argv[1]), h = (unsigned)atoi(argv[2]);
  int failed = 0;
  for (int i = 3; i < argc; ++i) failed += !decode(argv[i], w, h);
  return failed ? 1 : 0;
}

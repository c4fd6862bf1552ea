// Drives jlha's own "-lh1-" coder as an independent peer of ours, for tests that make
// or check entry streams and for the benchmarks.
//
//   JlhaLh1 encode IN OUT [IN OUT ...]    file -> entry stream (4-byte LE size, bits)
//   JlhaLh1 decode IN OUT [IN OUT ...]    entry stream -> file
//   JlhaLh1 archive ARCHIVE.lzh DIR       every file under DIR into an .lzh, "-lh1-"
//
// Many pairs go in one run because starting the JVM costs more than the work.
import java.io.BufferedInputStream;
import java.io.BufferedOutputStream;
import java.io.File;
import java.io.FileInputStream;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Collections;
import java.util.Date;
import java.util.List;
import java.util.Properties;
import java.util.stream.Stream;
import jp.gr.java_conf.dangan.util.lha.CompressMethod;
import jp.gr.java_conf.dangan.util.lha.LhaHeader;
import jp.gr.java_conf.dangan.util.lha.LhaOutputStream;
import jp.gr.java_conf.dangan.util.lha.LhaProperty;

public final class JlhaLh1 {
  private static final String METHOD = "-lh1-";

  public static void main(String[] args) throws IOException {
    if (args.length < 3 || (!args[0].equals("archive") && args.length % 2 != 1)) {
      System.err.println("usage: JlhaLh1 encode|decode IN OUT [IN OUT ...] | archive OUT.lzh DIR");
      System.exit(2);
    }
    Properties props = LhaProperty.getProperties();
    switch (args[0]) {
      case "encode":
        for (int i = 1; i < args.length; i += 2) encode(args[i], args[i + 1], props);
        break;
      case "decode":
        for (int i = 1; i < args.length; i += 2) decode(args[i], args[i + 1], props);
        break;
      case "archive":
        archive(args[1], args[2], props);
        break;
      default:
        System.err.println("unknown command " + args[0]);
        System.exit(2);
    }
  }

  private static void encode(String in, String out, Properties props) throws IOException {
    long size = new File(in).length();
    try (InputStream src = new BufferedInputStream(new FileInputStream(in));
        OutputStream dst = new BufferedOutputStream(new FileOutputStream(out))) {
      for (int i = 0; i < 4; ++i) dst.write((int) (size >>> (8 * i)) & 0xFF);
      if (size == 0) return;
      OutputStream enc = CompressMethod.connectEncoder(dst, METHOD, props);
      src.transferTo(enc);
      enc.close();
    }
  }

  private static void decode(String in, String out, Properties props) throws IOException {
    try (InputStream src = new BufferedInputStream(new FileInputStream(in));
        OutputStream dst = new BufferedOutputStream(new FileOutputStream(out))) {
      long size = 0;
      for (int i = 0; i < 4; ++i) {
        int b = src.read();
        if (b < 0) throw new IOException(in + ": size field cut short");
        size |= (long) b << (8 * i);
      }
      if (size == 0) return;
      InputStream dec = CompressMethod.connectDecoder(src, METHOD, props, size);
      byte[] buffer = new byte[65536];
      long left = size;
      while (left > 0) {
        int n = dec.read(buffer, 0, (int) Math.min(buffer.length, left));
        if (n < 0) throw new IOException(in + ": stream ended early");
        dst.write(buffer, 0, n);
        left -= n;
      }
    }
  }

  private static void archive(String out, String dir, Properties props) throws IOException {
    Path root = Paths.get(dir);
    List<Path> files = new ArrayList<>();
    try (Stream<Path> walk = Files.walk(root)) {
      walk.filter(Files::isRegularFile).forEach(files::add);
    }
    Collections.sort(files);
    try (LhaOutputStream lzh =
        new LhaOutputStream(new BufferedOutputStream(new FileOutputStream(out)), props)) {
      byte[] buffer = new byte[65536];
      for (Path file : files) {
        String name = root.relativize(file).toString();
        LhaHeader header = new LhaHeader(name, new Date(Files.getLastModifiedTime(file).toMillis()));
        header.setCompressMethod(METHOD);
        header.setHeaderLevel(2);
        header.setOriginalSize(Files.size(file));
        lzh.putNextEntry(header);
        try (InputStream src = new BufferedInputStream(Files.newInputStream(file))) {
          int n;
          while ((n = src.read(buffer)) > 0) lzh.write(buffer, 0, n);
        }
        lzh.closeEntry();
      }
    }
  }
}

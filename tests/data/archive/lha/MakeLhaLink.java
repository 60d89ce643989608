// Writes an LHA archive with the jlha library, as Unix LHA writes symbolic
// links: java MakeLhaLink OUT LEVEL ENTRY... An ENTRY "name|target" becomes a
// link member (method -lhd-, the "name|target" path, Unix mode 0120777 in a
// permission extended header); any other ENTRY a stored member of that file.
import java.io.File;
import java.io.FileInputStream;
import java.io.FileOutputStream;
import java.util.Date;
import jp.gr.java_conf.dangan.util.lha.LhaHeader;
import jp.gr.java_conf.dangan.util.lha.LhaOutputStream;

public class MakeLhaLink {
    static class LinkHeader extends LhaHeader {
        LinkHeader(String path, Date date) {
            super(path, date);
        }

        protected byte[][] exportExtendHeaders(String encoding)
                throws java.io.UnsupportedEncodingException {
            byte[][] base = super.exportExtendHeaders(encoding);
            byte[][] all = new byte[base.length + 1][];
            System.arraycopy(base, 0, all, 0, base.length);
            all[base.length] = new byte[] {0x50, (byte) 0xFF, (byte) 0xA1}; // 0120777
            return all;
        }
    }

    public static void main(String[] args) throws Exception {
        LhaOutputStream out = new LhaOutputStream(new FileOutputStream(args[0]));
        Date stamp = new Date(1614834368000L);
        for (int i = 2; i < args.length; i++) {
            boolean link = args[i].indexOf('|') >= 0;
            LhaHeader header = link ? new LinkHeader(args[i], stamp) : new LhaHeader(args[i], stamp);
            header.setCompressMethod(link ? "-lhd-" : "-lh0-");
            header.setHeaderLevel(Integer.parseInt(args[1]));
            header.setOSID((byte) 'U');
            out.putNextEntry(header);
            if (!link) {
                FileInputStream in = new FileInputStream(new File(args[i]));
                byte[] buffer = new byte[8192];
                for (int n; (n = in.read(buffer)) > 0;)
                    out.write(buffer, 0, n);
                in.close();
            }
            out.closeEntry();
        }
        out.close();
    }
}

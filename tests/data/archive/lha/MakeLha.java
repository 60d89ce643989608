// Writes an LHA archive with the jlha library: java MakeLha OUT METHOD LEVEL FILE...
// METHOD is the method id ("-lh1-", "-lh4-", ...); each FILE becomes a member of that name.
import java.io.File;
import java.io.FileInputStream;
import java.io.FileOutputStream;
import java.util.Date;
import jp.gr.java_conf.dangan.util.lha.LhaHeader;
import jp.gr.java_conf.dangan.util.lha.LhaOutputStream;

public class MakeLha {
    public static void main(String[] args) throws Exception {
        LhaOutputStream out = new LhaOutputStream(new FileOutputStream(args[0]));
        for (int i = 3; i < args.length; i++) {
            File file = new File(args[i]);
            LhaHeader header = new LhaHeader(args[i], new Date(file.lastModified()));
            header.setCompressMethod(args[1]);
            header.setHeaderLevel(Integer.parseInt(args[2]));
            out.putNextEntry(header);
            FileInputStream in = new FileInputStream(file);
            byte[] buffer = new byte[8192];
            for (int n; (n = in.read(buffer)) > 0;)
                out.write(buffer, 0, n);
            in.close();
            out.closeEntry();
        }
        out.close();
    }
}

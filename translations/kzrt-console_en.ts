<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>MeterSim</name>
    <message>
        <source>sending the %1 one-shot bytes</source>
        <translation>sending the %1 one-shot bytes</translation>
    </message>
    <message>
        <source>&quot;XT&quot; received, now sending text</source>
        <translation>&quot;XT&quot; received, now sending text</translation>
    </message>
    <message>
        <source>&quot;XT&quot; received, now sending binary frames</source>
        <translation>&quot;XT&quot; received, now sending binary frames</translation>
    </message>
    <message>
        <source>(--help explains the options)</source>
        <translation>(--help explains the options)</translation>
    </message>
    <message>
        <source>%1 baud, frames back to back</source>
        <translation>%1 baud, frames back to back</translation>
    </message>
    <message>
        <source>%1 baud, %2 frames/s</source>
        <translation>%1 baud, %2 frames/s</translation>
    </message>
    <message>
        <source>%1 -&gt; %2, %3; Ctrl+C stops</source>
        <translation>%1 -&gt; %2, %3; Ctrl+C stops</translation>
    </message>
    <message>
        <source>%1 exists and is not a link; choose another --port</source>
        <translation>%1 exists and is not a link; choose another --port</translation>
    </message>
    <message>
        <source>%1 already links to %2 (another simulator?); choose another --port</source>
        <translation>%1 already links to %2 (another simulator?); choose another --port</translation>
    </message>
    <message>
        <source>bad value for %1: &apos;%2&apos;</source>
        <translation>bad value for %1: &apos;%2&apos;</translation>
    </message>
    <message>
        <source>(battery, steady, sweep or none)</source>
        <translation>(battery, steady, sweep or none)</translation>
    </message>
    <message>
        <source>(a chance from 0 to 1)</source>
        <translation>(a chance from 0 to 1)</translation>
    </message>
    <message>
        <source>(pairs of hex digits, e.g. &quot;A1 07 00 10 ...&quot;)</source>
        <translation>(pairs of hex digits, e.g. &quot;A1 07 00 10 ...&quot;)</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>unknown option %1</translation>
    </message>
    <message>
        <source>missing value for %1</source>
        <translation>missing value for %1</translation>
    </message>
    <message>
        <source>--once needs --frames-hex</source>
        <translation>--once needs --frames-hex</translation>
    </message>
    <message>
        <source>Usage: kzrt-meter-sim [options]

Simulates the voltage/current/power meter on a pseudo-terminal, for the
console to open without hardware. It links COM&lt;n&gt; in the current directory
to the pseudo-terminal (the console resolves port number n to that link
first), streams 18-byte meter frames paced as a real 8E1 line, and answers
the two bytes &quot;XT&quot; by switching between the binary and the text output
form, as the meter does. Ctrl+C (or SIGTERM) stops it and removes the link.

Options:
  --port N          port number: the link is COM&lt;N&gt; (default 1)
  --baud B          line speed the output is paced at (default 2400, the
                    console&apos;s default); a pseudo-terminal itself has no speed
  --fps F           frames per second (default 4); 0 sends back to back,
                    as fast as the line carries them
  --profile P       battery (default): a battery discharged in steps through
                    a load, voltage falling, current with ripple, heat-sink
                    temperature from -4 C to over 100 C, on an 800 s cycle;
                    steady: 12.000 V, 2.0000 A, +25.0 C exactly;
                    sweep: every voltage/current scale and temperature sign
                    code in turn; none: no readings
  --speed X         profile seconds per real second (default 1)
  --noise P         chance per frame of a burst of 1-8 garbage bytes (0..1)
  --drop P          chance per byte of being lost on the line (0..1)
  --frames-hex HEX  bytes to send once, as soon as a program opens the port,
                    e.g. &quot;A1 07 00 10 01 02 03 04 05 00 01 02 03 04 2B 02 05 03&quot;;
                    the profile then goes on
  --once            with --frames-hex: exit after sending them
  --text            start in the text output form
  --seed N          seed of the noise and drop choices (default 1)
  --help            this text

Example, beside the console in the same directory:
  kzrt-meter-sim --port 1 --baud 2400 &amp;
  kzrt-console          # choose COM1, 2400, then click the open button
</source>
        <translation>Usage: kzrt-meter-sim [options]

Simulates the voltage/current/power meter on a pseudo-terminal, for the
console to open without hardware. It links COM&lt;n&gt; in the current directory
to the pseudo-terminal (the console resolves port number n to that link
first), streams 18-byte meter frames paced as a real 8E1 line, and answers
the two bytes &quot;XT&quot; by switching between the binary and the text output
form, as the meter does. Ctrl+C (or SIGTERM) stops it and removes the link.

Options:
  --port N          port number: the link is COM&lt;N&gt; (default 1)
  --baud B          line speed the output is paced at (default 2400, the
                    console&apos;s default); a pseudo-terminal itself has no speed
  --fps F           frames per second (default 4); 0 sends back to back,
                    as fast as the line carries them
  --profile P       battery (default): a battery discharged in steps through
                    a load, voltage falling, current with ripple, heat-sink
                    temperature from -4 C to over 100 C, on an 800 s cycle;
                    steady: 12.000 V, 2.0000 A, +25.0 C exactly;
                    sweep: every voltage/current scale and temperature sign
                    code in turn; none: no readings
  --speed X         profile seconds per real second (default 1)
  --noise P         chance per frame of a burst of 1-8 garbage bytes (0..1)
  --drop P          chance per byte of being lost on the line (0..1)
  --frames-hex HEX  bytes to send once, as soon as a program opens the port,
                    e.g. &quot;A1 07 00 10 01 02 03 04 05 00 01 02 03 04 2B 02 05 03&quot;;
                    the profile then goes on
  --once            with --frames-hex: exit after sending them
  --text            start in the text output form
  --seed N          seed of the noise and drop choices (default 1)
  --help            this text

Example, beside the console in the same directory:
  kzrt-meter-sim --port 1 --baud 2400 &amp;
  kzrt-console          # choose COM1, 2400, then click the open button
</translation>
    </message>
</context>
<context>
    <name>PortLamp</name>
    <message>
        <source>%1 is open on %2.</source>
        <translation>%1 is open on %2.</translation>
    </message>
    <message>
        <source>No port number is selected: choose one in the COM box.</source>
        <translation>No port number is selected: choose one in the COM box.</translation>
    </message>
    <message>
        <source>%1 could not be opened: no such device (tried %2). Plug the meter&apos;s adapter in, or link %1 in the working directory to its device.</source>
        <translation>%1 could not be opened: no such device (tried %2). Plug the meter&apos;s adapter in, or link %1 in the working directory to its device.</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>unknown error</translation>
    </message>
    <message>
        <source>%1 (%2) could not be opened: %3.</source>
        <translation>%1 (%2) could not be opened: %3.</translation>
    </message>
    <message>
        <source>Your user must be in the group that owns the device (usually dialout): sudo usermod -aG dialout $USER, then log in again.</source>
        <translation>Your user must be in the group that owns the device (usually dialout): sudo usermod -aG dialout $USER, then log in again.</translation>
    </message>
    <message>
        <source>Another program holds the port; close it and try again.</source>
        <translation>Another program holds the port; close it and try again.</translation>
    </message>
    <message>
        <source>%1 went away at %2 and is no longer watched for: %3. Put it right and press %4 again.</source>
        <translation>%1 went away at %2 and is no longer watched for: %3. Put it right and press %4 again.</translation>
    </message>
    <message>
        <source>%1 (%2) went away at %3: the adapter was unplugged or lost power. It is opened again as soon as it is back. Times lost since the port was opened: %4.</source>
        <translation>%1 (%2) went away at %3: the adapter was unplugged or lost power. It is opened again as soon as it is back. Times lost since the port was opened: %4.</translation>
    </message>
    <message>
        <source>%1: it is left untouched, and %2 waits for the meter&apos;s adapter.</source>
        <translation>%1: it is left untouched, and %2 waits for the meter&apos;s adapter.</translation>
    </message>
    <message>
        <source>%1 is open on %2. It went away at %3 and came back at %4. Times lost since the port was opened: %5.</source>
        <translation>%1 is open on %2. It went away at %3 and came back at %4. Times lost since the port was opened: %5.</translation>
    </message>
</context>
<context>
    <name>PortNumberBox</name>
    <message>
        <source>serial number %1</source>
        <translation>serial number %1</translation>
    </message>
    <message>
        <source>No port number leads to a device now. Plug the meter&apos;s adapter in, then open this list again.</source>
        <translation>No port number leads to a device now. Plug the meter&apos;s adapter in, then open this list again.</translation>
    </message>
    <message>
        <source>Port numbers that lead to a device now:</source>
        <translation>Port numbers that lead to a device now:</translation>
    </message>
</context>
<context>
    <name>RecordBox</name>
    <message>
        <source>Publishing ([Publish] in the settings file) does not work: %1</source>
        <translation>Publishing ([Publish] in the settings file) does not work: %1</translation>
    </message>
    <message>
        <source>Recording file: %1</source>
        <translation>Recording file: %1</translation>
    </message>
    <message>
        <source>This file could not be created in this folder (no write permission, the folder was deleted, or the disk is full): no data was recorded.</source>
        <translation>This file could not be created in this folder (no write permission, the folder was deleted, or the disk is full): no data was recorded.</translation>
    </message>
    <message>
        <source>This file is read-only: the last row was not recorded. Once it is writable again, the next rows are recorded as usual.</source>
        <translation>This file is read-only: the last row was not recorded. Once it is writable again, the next rows are recorded as usual.</translation>
    </message>
    <message>
        <source>The program folder is not writable: recording files are kept in the working folder.</source>
        <translation>The program folder is not writable: recording files are kept in the working folder.</translation>
    </message>
    <message>
        <source>Another program holds this file, or it could not be opened: the last rows are kept and written once it can be.</source>
        <translation>Another program holds this file, or it could not be opened: the last rows are kept and written once it can be.</translation>
    </message>
    <message>
        <source>An earlier rewrite of this file was cut short and cannot be finished yet (another program locks part of it, or the disk is full): the file is left as it is until it can be, and the last row was not recorded.</source>
        <translation>An earlier rewrite of this file was cut short and cannot be finished yet (another program locks part of it, or the disk is full): the file is left as it is until it can be, and the last row was not recorded.</translation>
    </message>
    <message>
        <source>The side file %1 held no whole record (cut short before any row went in, or damaged): it was not applied, and was removed.</source>
        <translation>The side file %1 held no whole record (cut short before any row went in, or damaged): it was not applied, and was removed.</translation>
    </message>
    <message>
        <source>The side file %1 belongs to another file: it was not applied, and is kept as %2.</source>
        <translation>The side file %1 belongs to another file: it was not applied, and is kept as %2.</translation>
    </message>
    <message>
        <source>Writing to this file failed (no write permission, or the disk is full): the last rows are kept and written once it can be; the file keeps its content.</source>
        <translation>Writing to this file failed (no write permission, or the disk is full): the last rows are kept and written once it can be; the file keeps its content.</translation>
    </message>
    <message>
        <source>Another copy of the console or of kzrt-record records into this file: this copy writes nothing to it, and keeps its rows until the other one stops.</source>
        <translation>Another copy of the console or of kzrt-record records into this file: this copy writes nothing to it, and keeps its rows until the other one stops.</translation>
    </message>
    <message>
        <source>This file could not be completed when its recording ended (another program holds it, or the disk is full): its last rows wait in the hidden log beside it and are written as soon as it can be.</source>
        <translation>This file could not be completed when its recording ended (another program holds it, or the disk is full): its last rows wait in the hidden log beside it and are written as soon as it can be.</translation>
    </message>
    <message>
        <source>%1 had changed since a recording into it was cut short: the %2 rows of that recording it lacked were put in at their place by time.</source>
        <translation>%1 had changed since a recording into it was cut short: the %2 rows of that recording it lacked were put in at their place by time.</translation>
    </message>
    <message>
        <source>%1 had changed since a recording into it was cut short, and its rows are not in time order: it was left as it is, and the %2 rows of that recording it lacked are kept in %3.</source>
        <translation>%1 had changed since a recording into it was cut short, and its rows are not in time order: it was left as it is, and the %2 rows of that recording it lacked are kept in %3.</translation>
    </message>
    <message>
        <source>The hidden log of %1 was damaged: the file keeps every row it had with the log's rows before the damage, and the log is kept as %2.</source>
        <translation>The hidden log of %1 was damaged: the file keeps every row it had with the log's rows before the damage, and the log is kept as %2.</translation>
    </message>
</context>
</TS>

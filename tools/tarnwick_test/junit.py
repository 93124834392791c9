"""--junit: the results as JUnit XML, one testcase per case and Windows version,
as CI systems (Jenkins, GitLab, GitHub actions) read it."""

import re
import socket
import time
import xml.etree.ElementTree as ET

# Characters XML 1.0 cannot hold, even escaped; an installer's output may.
NOT_XML = re.compile("[^\u0009\u000a\u000d\u0020-\ud7ff\ue000-\ufffd\U00010000-\U0010ffff]")


def xml_text(text):
    return NOT_XML.sub(lambda m: "\\x%02x" % ord(m.group(0)) if ord(m.group(0)) < 256
                       else "\\u%04x" % ord(m.group(0)), text)


def first_line(text):
    return text.split("\n", 1)[0]


def junit_tree(results, suite_name, started):
    """results: objects with case_name, label(), problems, error, skipped,
    seconds, stdout and stderr."""
    failures = sum(1 for r in results if r.problems and not r.error)
    errors = sum(1 for r in results if r.error)
    skipped = sum(1 for r in results if r.skipped)
    total = sum(r.seconds for r in results)
    root = ET.Element("testsuites", name=suite_name, tests=str(len(results)),
                      failures=str(failures), errors=str(errors), skipped=str(skipped),
                      time="%.3f" % total)
    suite = ET.SubElement(root, "testsuite", name=suite_name, tests=str(len(results)),
                          failures=str(failures), errors=str(errors), skipped=str(skipped),
                          time="%.3f" % total, hostname=socket.gethostname(),
                          timestamp=time.strftime("%Y-%m-%dT%H:%M:%S", time.gmtime(started)))
    for result in results:
        case = ET.SubElement(suite, "testcase", classname=xml_text(result.case_name),
                             name=xml_text(result.label()), time="%.3f" % result.seconds)
        if result.skipped:
            ET.SubElement(case, "skipped", message=xml_text(result.skipped))
        elif result.problems:
            text = xml_text("\n".join(result.problems))
            element = ET.SubElement(case, "error" if result.error else "failure",
                                    message=first_line(text),
                                    type="error" if result.error else "failure")
            element.text = text
            if result.stdout:
                ET.SubElement(case, "system-out").text = xml_text(result.stdout)
            if result.stderr:
                ET.SubElement(case, "system-err").text = xml_text(result.stderr)
    return ET.ElementTree(root)


def write_junit(path, results, suite_name, started):
    tree = junit_tree(results, suite_name, started)
    if hasattr(ET, "indent"):  # Python 3.9 and later
        ET.indent(tree)
    tree.write(path, encoding="UTF-8", xml_declaration=True)

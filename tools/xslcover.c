/* Which lines of the project's stylesheets a process runs: loaded with LD_PRELOAD into a test
 * program (or tavro), it turns on libxslt's debugger hooks and notes the line of every
 * instruction and literal result element the transformations reach.
 *
 *   XSLCOVER_SHEETS  the stylesheets to watch, separated by ":" (the .xsl files of resources/)
 *   XSLCOVER_OUT     a folder where the process writes the lines it ran when it ends,
 *                    into a file named by its process id, one "path:line" per line
 *
 * The stylesheets are compiled from memory, so their documents carry no file name: a document
 * is taken for one of the watched files when its root has the file's root's name and its
 * elements stand on lines where the file has elements, and nearly as many of them (compiling
 * turns some xsl:text elements into text), which a stylesheet a test writes for itself never
 * does. tools/test-overlap.py and scripts/coverage read the lines back.
 */

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { maxSheets = 16 };

struct Sheet {
  char* path;
  long lines;
  unsigned char* hasElement; /* by line: whether an element stands on it */
  xmlChar* root;             /* the root element's name */
  unsigned char* covered;
  long elements;
};

static struct Sheet sheets[maxSheets];
static int sheetCount;
/* The document last classified, and what it was (-1: none of the watched sheets). */
static __thread xmlDocPtr lastDoc;
static __thread long lastElements;
static __thread int lastSheet = -1;

static long countElements(xmlNodePtr node, unsigned char* hasElement, long lines) {
  long count = 0;
  for (; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE)
      continue;
    ++count;
    long line = xmlGetLineNo(node);
    if (hasElement && line > 0 && line < lines)
      hasElement[line] = 1;
    count += countElements(node->children, hasElement, lines);
  }
  return count;
}

static int sameShape(xmlNodePtr node, const struct Sheet* sheet) {
  for (; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE)
      continue;
    long line = xmlGetLineNo(node);
    if (line <= 0 || line >= sheet->lines || !sheet->hasElement[line])
      return 0;
    if (!sameShape(node->children, sheet))
      return 0;
  }
  return 1;
}

static int classify(xmlDocPtr doc) {
  long elements = countElements(xmlDocGetRootElement(doc), NULL, 0);
  if (doc == lastDoc && elements == lastElements)
    return lastSheet;
  lastDoc = doc;
  lastElements = elements;
  lastSheet = -1;
  xmlNodePtr root = xmlDocGetRootElement(doc);
  for (int i = 0; i < sheetCount; ++i)
    if (root && xmlStrEqual(root->name, sheets[i].root) && elements <= sheets[i].elements &&
        elements * 10 >= sheets[i].elements * 9 && sameShape(root, &sheets[i]))
      lastSheet = i;
  return lastSheet;
}

static void onInstruction(xmlNodePtr cur, xmlNodePtr node, xsltTemplatePtr templ, xsltTransformContextPtr ctxt) {
  (void)node;
  (void)templ;
  (void)ctxt;
  if (!cur || !cur->doc || cur->type != XML_ELEMENT_NODE)
    return;
  /* Counting a document's elements on every call would cost too much: the last document is
   * trusted while its instructions stand where the watched sheet has elements. */
  int i = lastSheet;
  long line = xmlGetLineNo(cur);
  if (cur->doc != lastDoc || i < 0 || line <= 0 || line >= sheets[i].lines || !sheets[i].hasElement[line])
    i = classify(cur->doc);
  if (i >= 0 && line > 0 && line < sheets[i].lines)
    sheets[i].covered[line] = 1;
}

static int onCall(xsltTemplatePtr templ, xmlNodePtr source) {
  (void)source;
  if (templ && templ->elem)
    onInstruction(templ->elem, NULL, templ, NULL);
  return 1;
}

static void onReturn(void) {}

static void writeLines(void) {
  const char* out = getenv("XSLCOVER_OUT");
  char name[4096];
  if (!out || snprintf(name, sizeof name, "%s/%ld.lines", out, (long)getpid()) >= (int)sizeof name)
    return;
  FILE* f = fopen(name, "w");
  if (!f)
    return;
  for (int i = 0; i < sheetCount; ++i)
    for (long line = 1; line < sheets[i].lines; ++line)
      if (sheets[i].covered[line])
        fprintf(f, "%s:%ld\n", sheets[i].path, line);
  fclose(f);
}

static void loadSheet(const char* path) {
  xmlDocPtr doc = sheetCount < maxSheets ? xmlReadFile(path, NULL, XML_PARSE_NONET) : NULL;
  if (!doc)
    return;
  struct Sheet* s = &sheets[sheetCount++];
  s->path = strdup(path);
  long last = 0;
  FILE* f = fopen(path, "r");
  for (int c; f && (c = fgetc(f)) != EOF;)
    last += c == '\n';
  if (f)
    fclose(f);
  s->lines = last + 2;
  s->hasElement = calloc((size_t)s->lines, 1);
  s->covered = calloc((size_t)s->lines, 1);
  s->elements = countElements(xmlDocGetRootElement(doc), s->hasElement, s->lines);
  s->root = xmlStrdup(xmlDocGetRootElement(doc) ? xmlDocGetRootElement(doc)->name : BAD_CAST "");
  xmlFreeDoc(doc);
}

__attribute__((constructor)) static void start(void) {
  const char* list = getenv("XSLCOVER_SHEETS");
  if (!list)
    return;
  char* copy = strdup(list);
  for (char* path = strtok(copy, ":"); path; path = strtok(NULL, ":"))
    loadSheet(path);
  free(copy);
  static void* callbacks[] = {(void*)onInstruction, (void*)onCall, (void*)onReturn};
  xsltSetDebuggerCallbacks(3, callbacks);
  xsltSetDebuggerStatus(XSLT_DEBUG_RUN);
  atexit(writeLines);
}

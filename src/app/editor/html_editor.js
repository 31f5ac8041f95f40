// The editor's side inside the page. It runs in the application's isolated
// script world (the page's own scripts are disabled), talks to the widget over
// the web channel object "wordlarkEditor" and keeps the widget's copy of the
// body current.
(function () {
  'use strict';

  const state = {
    bridge: null,
    generation: 0,
    browseMode: false,
    useDiv: false,
    lastCaret: null,
    observer: null,
    // The body as the widget last heard of it: its top-level nodes in order
    // and the markup of each. Every report that changes it is numbered, so
    // that the widget can tell when one went missing.
    body: null,
    nodes: [],
    markup: [],
    sequence: 0,
    spoilNextReport: null,  // tests: 'lose' or 'misplace' the next report
  };

  // The commands whose state the toolbar shows.
  const kStateCommands = [
    'bold', 'italic', 'underline', 'insertOrderedList', 'insertUnorderedList', 'justifyLeft',
    'justifyCenter', 'justifyRight', 'justifyFull',
  ];
  const kSelectedTextLimit = 2000;

  // Blocks that end an open paragraph when HTML is parsed. Editing commands
  // can put them inside a <p> (a list made from a paragraph does), which reads
  // back as a different document; the markup handed out splits such
  // paragraphs around them instead.
  const kParagraphBreakers = [
    'address', 'article', 'aside', 'blockquote', 'center', 'details', 'dialog', 'dir', 'div',
    'dl', 'fieldset', 'figcaption', 'figure', 'footer', 'form', 'h1', 'h2', 'h3', 'h4', 'h5',
    'h6', 'header', 'hgroup', 'hr', 'main', 'menu', 'nav', 'ol', 'p', 'pre', 'section',
    'summary', 'table', 'ul',
  ];
  const kBlockInParagraph = kParagraphBreakers.map((name) => 'p > ' + name).join(', ');

  function isBlank(node) {
    return !node.firstChild ||
        (node.childNodes.length === 1 && node.firstChild.nodeType === Node.TEXT_NODE &&
         !/\S/.test(node.firstChild.data));
  }

  function splitParagraphs(root) {
    let block;
    while ((block = root.querySelector(kBlockInParagraph)) !== null) {
      const paragraph = block.parentNode;
      const rest = paragraph.cloneNode(false);
      while (block.nextSibling) {
        rest.appendChild(block.nextSibling);
      }
      let moved = block;
      if (paragraph.attributes.length > 0) {
        // Keep what the paragraph's attributes did (alignment) for the block.
        moved = document.createElement('div');
        for (const attr of Array.from(paragraph.attributes)) {
          moved.setAttribute(attr.name, attr.value);
        }
        moved.appendChild(block);
      }
      paragraph.after(moved, rest);
      if (isBlank(rest)) {
        rest.remove();
      }
      if (isBlank(paragraph)) {
        paragraph.remove();
      }
    }
  }

  function serialize(body) {
    if (body.querySelector(kBlockInParagraph) === null) {
      return body.innerHTML;
    }
    const copy = body.cloneNode(true);
    splitParagraphs(copy);
    return copy.innerHTML;
  }

  // What `node`, a child of the body, contributes to the body's markup, with
  // the paragraphs in it split as serialize() splits them. Joined in order,
  // the blocks of the body give serialize(body).
  function blockMarkup(node) {
    if (node.nodeType === Node.ELEMENT_NODE && node.querySelector(kBlockInParagraph) === null) {
      return node.outerHTML;
    }
    // Text and comments are written as the body writes its children; an
    // element with a block in a paragraph is split in a copy.
    const holder = document.createElement('div');
    holder.appendChild(node.cloneNode(true));
    splitParagraphs(holder);
    return holder.innerHTML;
  }

  // Takes the body's blocks afresh, as the basis of the next changes.
  function takeBlocks() {
    state.observer.takeRecords();
    state.body = document.body;
    state.nodes = state.body ? Array.from(state.body.childNodes) : [];
    state.markup = state.nodes.map(blockMarkup);
    return state.markup;
  }

  // The child of `body` that holds `node`; null when it is not in the body
  // (a node removed since, or the body itself).
  function topLevelOf(node, body) {
    while (node && node.parentNode !== body) {
      node = node.parentNode;
    }
    return node;
  }

  // Sends the widget what a batch of mutations changed in the body: one
  // splice of its list of blocks, from the first changed block to the last,
  // and nothing when the markup stayed as it was.
  function reportChanges(records) {
    const body = document.body;
    if (!state.bridge || !body || body !== state.body) {
      return;
    }
    let listChanged = false;
    const dirty = new Set();
    for (const record of records) {
      if (record.target === body) {
        // The body's own attributes are not part of its content.
        listChanged = listChanged || record.type === 'childList';
        continue;
      }
      const top = topLevelOf(record.target, body);
      if (top !== null) {
        dirty.add(top);
      }
    }
    if (!listChanged && dirty.size === 0) {
      return;
    }
    const old = state.nodes;
    let now = old;
    let start = -1;
    let end = -1;  // one past the last changed block
    if (!listChanged && dirty.size <= 8) {
      // Typing: a few blocks changed in place.
      for (const node of dirty) {
        const at = old.indexOf(node);
        if (at < 0) {
          start = -1;
          now = Array.from(body.childNodes);
          break;
        }
        start = start < 0 ? at : Math.min(start, at);
        end = Math.max(end, at + 1);
      }
    } else if (listChanged) {
      now = Array.from(body.childNodes);
    }
    let endOld = end;
    if (start < 0) {
      // The common head and tail of the old and new lists stay.
      start = 0;
      while (start < old.length && start < now.length && old[start] === now[start] &&
             !dirty.has(now[start])) {
        ++start;
      }
      endOld = old.length;
      end = now.length;
      while (endOld > start && end > start && old[endOld - 1] === now[end - 1] &&
             !dirty.has(now[end - 1])) {
        --endOld;
        --end;
      }
    }
    const count = endOld - start;
    const blocks = now.slice(start, end).map(blockMarkup);
    const same = count === blocks.length &&
        blocks.every((markup, i) => markup === state.markup[start + i]);
    state.nodes = now;
    state.markup = state.markup.slice(0, start).concat(blocks, state.markup.slice(endOld));
    if (same) {
      return;
    }
    const sequence = ++state.sequence;
    const spoil = state.spoilNextReport;
    state.spoilNextReport = null;
    if (spoil === 'lose') {
      return;
    }
    const index = spoil === 'misplace' ? state.markup.length - blocks.length + count + 1 : start;
    state.bridge.pageSpliced(state.generation, sequence, index, count, blocks);
  }

  // Reports what changed and has not been delivered to the observer yet.
  function flush() {
    if (state.observer) {
      reportChanges(state.observer.takeRecords());
    }
  }

  // Sends every block of the body: the widget asked for it, after a report
  // went missing or did not fit its copy.
  function reportAll() {
    if (!state.bridge) {
      return;
    }
    const blocks = takeBlocks();
    state.bridge.pageResynced(state.generation, state.sequence, blocks);
  }

  // Tells the widget a command has been carried out, after the changes it
  // made; the widget's reads wait for this.
  function done() {
    if (!state.bridge) {
      return;
    }
    flush();
    state.bridge.commandDone(state.generation);
    reportCaret();
  }

  function selectionInBody() {
    const body = document.body;
    const selection = window.getSelection();
    return body && selection.rangeCount > 0 &&
        body.contains(selection.getRangeAt(0).commonAncestorContainer);
  }

  // The link element around the caret or the selection's start.
  function linkAtSelection() {
    if (!selectionInBody()) {
      return null;
    }
    const range = window.getSelection().getRangeAt(0);
    for (const node of [range.commonAncestorContainer, range.startContainer]) {
      const element = node instanceof Element ? node : node.parentElement;
      const link = element ? element.closest('a[href]') : null;
      if (link && document.body.contains(link)) {
        return link;
      }
    }
    return null;
  }

  // The first family of a CSS font-family list, without its quotes.
  function firstFamily(value) {
    const first = String(value || '').split(',')[0].trim();
    return first.replace(/^(["'])(.*)\1$/, '$2');
  }

  // Sends the format at the caret when it changed since the last report.
  function reportCaret() {
    if (!state.bridge || !document.body || state.browseMode) {
      return;
    }
    const states = {};
    let fontName = '';
    let fontSize = '';
    const inBody = selectionInBody();
    if (inBody) {
      for (const command of kStateCommands) {
        states[command] = document.queryCommandState(command);
      }
      // Text that no alignment was given to starts at the left.
      if (!states.justifyCenter && !states.justifyRight && !states.justifyFull) {
        states.justifyLeft = true;
      }
      fontName = firstFamily(document.queryCommandValue('fontName'));
      fontSize = document.queryCommandValue('fontSize');
    }
    const link = linkAtSelection();
    const selectedText = inBody ? window.getSelection().toString() : '';
    const caret = {
      states,
      fontName,
      fontSize,
      inLink: link !== null,
      linkAddress: link ? link.getAttribute('href') : '',
      linkText: link ? link.textContent : '',
      selectedText: selectedText.slice(0, kSelectedTextLimit),
    };
    const key = JSON.stringify(caret);
    if (key === state.lastCaret) {
      return;
    }
    state.lastCaret = key;
    state.bridge.caretFormat(caret);
  }

  function applyMode() {
    const body = document.body;
    if (body) {
      body.contentEditable = state.browseMode ? 'false' : 'true';
      body.spellcheck = !state.browseMode;
    }
    document.execCommand('styleWithCSS', false, false);
    document.execCommand('defaultParagraphSeparator', false, state.useDiv ? 'div' : 'p');
  }

  function observe() {
    if (state.observer) {
      state.observer.disconnect();
    }
    state.observer = new MutationObserver(reportChanges);
    state.observer.observe(document.documentElement, {
      childList: true,
      subtree: true,
      characterData: true,
      attributes: true,
    });
  }

  // Copies the styles of a loaded document's head, so that a page shown in
  // browse mode looks as written. Nothing else of the head is taken over, and
  // nothing at all for editing: what is edited is the body alone, and the
  // editor must not show what it does not keep.
  function adoptHeadStyles(parsed) {
    for (const old of document.head.querySelectorAll('[data-wordlark-loaded]')) {
      old.remove();
    }
    if (!parsed.head || !state.browseMode) {
      return;
    }
    for (const node of parsed.head.querySelectorAll('style')) {
      const style = document.createElement('style');
      style.textContent = node.textContent;
      style.setAttribute('data-wordlark-loaded', '');
      document.head.appendChild(style);
    }
  }

  // Replaces the whole document with `text` parsed as HTML. The parser's
  // document is inert: nothing in it runs or loads before it is adopted.
  // A fresh body element becomes the editing root; the page's undo steps for
  // the previous document refer to the old one and change nothing here.
  function load(text, generation) {
    state.generation = generation;
    const parsed = new DOMParser().parseFromString(String(text), 'text/html');
    const body = document.createElement('body');
    if (parsed.body) {
      const attributes = state.browseMode ? Array.from(parsed.body.attributes) : [];
      for (const attr of attributes) {
        if (!/^on/i.test(attr.name) && attr.name.toLowerCase() !== 'contenteditable') {
          body.setAttribute(attr.name, attr.value);
        }
      }
      while (parsed.body.firstChild) {
        body.appendChild(document.adoptNode(parsed.body.firstChild));
      }
    }
    adoptHeadStyles(parsed);
    document.documentElement.replaceChild(body, document.body);
    applyMode();
    const blocks = takeBlocks();
    state.bridge.pageLoaded(state.generation, state.sequence, blocks);
    state.lastCaret = null;
    reportCaret();
  }

  function configure(browseMode, useDiv) {
    state.browseMode = !!browseMode;
    state.useDiv = !!useDiv;
    applyMode();
  }

  // Commands act on the selection; when the document has none inside the
  // body yet (never focused), on a caret at the end of the document.
  function ensureSelection() {
    const body = document.body;
    if (!selectionInBody()) {
      const range = document.createRange();
      range.selectNodeContents(body);
      range.collapse(false);
      const selection = window.getSelection();
      selection.removeAllRanges();
      selection.addRange(range);
    }
  }

  // Every command answers with done(), also when it fails.
  function exec(command, value) {
    try {
      const body = document.body;
      if (!body || state.browseMode) {
        return false;
      }
      ensureSelection();
      return value === null || value === undefined
          ? document.execCommand(command, false)
          : document.execCommand(command, false, String(value));
    } finally {
      done();
    }
  }

  // Gives the link at the selection the attributes `kept` of the link it
  // replaced; the page's own commands make a link with its address alone.
  function keepAttributes(kept) {
    const made = linkAtSelection();
    for (const attr of made ? kept : []) {
      if (!made.hasAttribute(attr.name)) {
        made.setAttribute(attr.name, attr.value);
      }
    }
  }

  // Makes the selection a link, or changes the link around the caret.
  // `text` null keeps the text there is.
  function setLink(href, text) {
    try {
      const body = document.body;
      if (!body || state.browseMode) {
        return;
      }
      ensureSelection();
      const selection = window.getSelection();
      const link = linkAtSelection();
      // What the link has besides its address (a title, a target) stays with
      // the link that replaces it.
      const kept = link ? Array.from(link.attributes).filter((a) => a.name !== 'href') : [];
      let trailing = '';
      if (link) {
        // A link is changed with the page's own commands, so that its undo
        // takes the change back: a new address goes over the link's text, a
        // new text replaces the link and is made a link below.
        const range = document.createRange();
        const keepText = text === null || text === link.textContent;
        if (keepText) {
          range.selectNodeContents(link);
        } else {
          range.selectNode(link);
          // A blank after the link is typed again after the new text: left
          // alone, it would meet the blank before the link and turn into a
          // non-breaking one.
          const next = link.nextSibling;
          if (next && next.nodeType === Node.TEXT_NODE && next.data.startsWith(' ')) {
            range.setEnd(next, 1);
            trailing = ' ';
          }
        }
        selection.removeAllRanges();
        selection.addRange(range);
        if (keepText) {
          document.execCommand('createLink', false, href);
          keepAttributes(kept);
          selection.collapseToEnd();
          return;
        }
      } else if (text === null && !selection.isCollapsed) {
        document.execCommand('createLink', false, href);
        return;
      }
      // The text is typed in and then made a link: inserting the link's
      // markup would turn the blank after it into a non-breaking one.
      const shown = text === null || text === '' ? href.replace(/^(mailto|tel):/i, '') : text;
      const typed = shown + trailing;
      document.execCommand('insertText', false, typed);
      const end = selection.focusNode;
      const offset = selection.focusOffset;
      if (end && end.nodeType === Node.TEXT_NODE && offset >= typed.length &&
          end.data.slice(offset - typed.length, offset) === typed) {
        const range = document.createRange();
        range.setStart(end, offset - typed.length);
        range.setEnd(end, offset - trailing.length);
        selection.removeAllRanges();
        selection.addRange(range);
        document.execCommand('createLink', false, href);
        keepAttributes(kept);
        selection.collapseToEnd();
      }
    } finally {
      done();
    }
  }

  // Removes the link around the caret, or every link the selection touches.
  function removeLink() {
    try {
      if (!document.body || state.browseMode || !selectionInBody()) {
        return;
      }
      const link = linkAtSelection();
      const selection = window.getSelection();
      if (link) {
        const range = document.createRange();
        range.selectNodeContents(link);
        selection.removeAllRanges();
        selection.addRange(range);
      }
      document.execCommand('unlink', false);
    } finally {
      done();
    }
  }

  function attributeText(text) {
    return String(text).replace(/&/g, '&amp;').replace(/"/g, '&quot;').replace(/</g, '&lt;')
        .replace(/>/g, '&gt;');
  }

  // Puts a picture at the caret, or at the end of the document when it has
  // no caret yet; the page's undo takes it back.
  function insertPicture(src, alt) {
    const body = document.body;
    if (!body || state.browseMode) {
      return false;
    }
    const selection = window.getSelection();
    if (selection.rangeCount === 0 ||
        !body.contains(selection.getRangeAt(0).commonAncestorContainer)) {
      const range = document.createRange();
      range.selectNodeContents(body);
      range.collapse(false);
      selection.removeAllRanges();
      selection.addRange(range);
    }
    let html = '<img src="' + attributeText(src) + '"';
    if (alt) {
      html += ' alt="' + attributeText(alt) + '"';
    }
    const inserted = document.execCommand('insertHTML', false, html + '>');
    flush();
    return inserted;
  }

  // Moves the caret to the point (x, y) of the view, when that is in the
  // document: where a drop lands.
  function caretAt(x, y) {
    const body = document.body;
    const range = document.caretRangeFromPoint(x, y);
    if (body && !state.browseMode && range && body.contains(range.startContainer)) {
      const selection = window.getSelection();
      selection.removeAllRanges();
      selection.addRange(range);
    }
  }

  // The page gains the focus. Clicking or tabbing in places the caret; focus
  // given by the program (a step entered, a pre-flight item followed) does
  // not, and typing would go nowhere. Without a caret in the body, it goes to
  // the end of the body.
  function onPageFocus() {
    const body = document.body;
    if (!body || state.browseMode || !body.isContentEditable) {
      return;
    }
    const selection = window.getSelection();
    const inBody = selection.rangeCount > 0 &&
        body.contains(selection.getRangeAt(0).commonAncestorContainer);
    if (document.activeElement !== body) {
      body.focus({preventScroll: inBody});
    }
    if (!inBody) {
      const range = document.createRange();
      range.selectNodeContents(body);
      range.collapse(false);
      selection.removeAllRanges();
      selection.addRange(range);
    }
  }

  // In browse mode a link is handed to the widget, which opens it outside;
  // the view itself never follows it. In an editable document a plain click
  // places the caret, and only Ctrl+click hands the link over.
  function onLinkClick(event) {
    if (!state.bridge) {
      return;
    }
    if (!state.browseMode && !(event.type === 'click' && event.ctrlKey)) {
      return;
    }
    if (event.type === 'auxclick' && event.button !== 1) {
      return;
    }
    const target = event.target instanceof Element ? event.target : event.target.parentElement;
    const link = target ? target.closest('a[href], area[href]') : null;
    if (!link) {
      return;
    }
    event.preventDefault();
    event.stopPropagation();
    state.bridge.linkClicked(state.browseMode ? link.href : link.getAttribute('href'));
  }

  // Ctrl+K asks the widget for the link dialog, with the caret's link
  // reported first.
  function onKeyDown(event) {
    if (state.browseMode || !state.bridge || !event.ctrlKey || event.altKey || event.shiftKey ||
        event.metaKey || (event.key !== 'k' && event.key !== 'K')) {
      return;
    }
    event.preventDefault();
    reportCaret();
    state.bridge.linkRequested();
  }

  // For tests: the body as one serialisation of the whole makes it; and the
  // next report spoilt, numbered but never sent ('lose') or placed past the
  // end of the widget's blocks ('misplace').
  function testing() {
    return {
      serialize: () => serialize(document.body),
      spoilNextReport: (how) => {
        state.spoilNextReport = String(how);
      },
    };
  }

  window.wordlarkEditor = {
    load, configure, exec, setLink, removeLink, insertPicture, caretAt, reportAll,
    testing: testing(),
  };

  document.addEventListener('click', onLinkClick, true);
  document.addEventListener('auxclick', onLinkClick, true);
  document.addEventListener('selectionchange', reportCaret);
  document.addEventListener('keydown', onKeyDown, true);
  window.addEventListener('focus', onPageFocus);
  observe();

  new QWebChannel(qt.webChannelTransport, (channel) => {
    state.bridge = channel.objects.wordlarkEditor;
    state.bridge.pageReady();
  });
})();
